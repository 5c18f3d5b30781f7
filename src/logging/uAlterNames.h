#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Replacement model designations for the CSV header, taken from a section of the branding
// file whose keys are device type codes in hexadecimal ("1001=My thermometer").
class TAlterNames
{
public:
    struct TTypeEntry {
        std::uint16_t Code;
        QString Name;
    };

    // Standard designations and their replacements, one pair per accepted key, in file order.
    // Both are empty until Load has run and are replaced as a whole by every Load.
    QStringList StdNames;
    QStringList AltNames;

    // Reads the section; a missing file or section, keys that are not entirely hexadecimal
    // digits and codes without a built-in entry simply give no replacement.
    void Load(const QString &fileName, const QString &section);
    // The replacement of a standard designation (compared without regard to case), or the
    // name itself.
    QString Translate(const QString &name) const;

    // The 74 device types a replacement can name: the serial kinds by their KIND register
    // value, the Gelmi kinds by their XPort sensor-type value and the Dusko kind by 0x1105.
    static const std::vector<TTypeEntry> &TypeTable();
};
