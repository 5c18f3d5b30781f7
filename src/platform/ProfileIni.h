#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// A read-only INI file read by the rules of Windows profile files, which is what resellers
// write the branding file for: section and key names compared without regard to case,
// only the first section of a name counts (even when it holds no key) and the first occurrence of a key in
// it wins, keys and values trimmed, the value is everything after the first "=" with one pair of matching
// single or double quotes around it dropped (no escapes, no splitting at commas, a ";" inside a value is
// part of it), a line of any length read whole. Lines starting with ";" or "#" are comments. Text is read
// as UTF-8. A missing or unreadable file reads as empty.
class TProfileIni
{
public:
    TProfileIni() = default;
    explicit TProfileIni(const QString &fileName) { Load(fileName); }

    // Replaces the content by the file's; false when the file could not be read.
    bool Load(const QString &fileName);
    // Same rules over text already in memory (UTF-8).
    void LoadFromData(const QByteArray &data);

    // The key names of a section in file order, each once (first spelling kept).
    QStringList Keys(const QString &section) const;
    // The value of a key; none when the section or key is missing.
    std::optional<QString> Value(const QString &section, const QString &key) const;
    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;

private:
    struct TEntry {
        QString Key;
        QString Value;
    };
    struct TSection {
        QString Name;
        std::vector<TEntry> Entries;
    };

    const TSection *FindSection(const QString &name) const;
    void AddEntry(const QString &section, const QString &key, const QString &value);

    std::vector<TSection> m_sections;
};
