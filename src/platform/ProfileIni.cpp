#include "platform/ProfileIni.h"

#include <QFile>
#include <QHash>
#include <ini.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace
{

// inih finds sections and comments; the key and value are taken again from the raw line,
// because inih would otherwise cut a value at " ;" and split at ":" as well as "=".
struct TParseState {
    QList<QByteArray> Lines;
    qsizetype Next = 0;
    QByteArray Current; // the raw line inih is parsing right now
    QString Section;    // the section of that line, named in full (inih cuts long names)
    int Occurrence = 0; // counts section headers, so a repeated section can be told apart
    QHash<QString, int> FirstOccurrence;
    std::function<void(const QString &, const QString &, const QString &)> OnEntry;
};

// Where a section header that inih accepts closes: "[" and a "]" that no inline comment
// (a ";" after a blank) hides; -1 for any other line. Only such a line starts a section; a
// malformed one is skipped and the keys after it stay in the section before it.
qsizetype SectionHeaderEnd(const QByteArray &line)
{
    if (!line.startsWith('['))
        return -1;
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (line.at(i) == ']')
            return i;
        if (line.at(i) == ';' && (line.at(i - 1) == ' ' || line.at(i - 1) == '\t'))
            return -1;
    }
    return -1;
}

// What inih is shown of a line that does not fit its buffer. A key line gets a short stand-in
// that inih takes for a key line just as it would the whole one (the key and value are read
// from the whole line anyway); anything else is cut to fit.
QByteArray FittingLine(const QByteArray &line, qsizetype room)
{
    if (line.size() <= room)
        return line;
    if (line.startsWith('[') || line.startsWith(';') || line.startsWith('#'))
        return line.left(room);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '=' || c == ':')
            return QByteArray("k") + c + 'v';
        if (c == ';' && i > 0 && (line.at(i - 1) == ' ' || line.at(i - 1) == '\t'))
            break;
    }
    return line.left(room);
}

void EnterSection(TParseState &state, const QByteArray &name)
{
    ++state.Occurrence;
    state.Section = QString::fromUtf8(name).trimmed();
    // Only the first section of a name counts, as with Windows, even when it holds no key.
    const QString folded = state.Section.toCaseFolded();
    if (!state.FirstOccurrence.contains(folded))
        state.FirstOccurrence.insert(folded, state.Occurrence);
}

// One pair of matching quotes around a value is dropped, as Windows does.
QString Unquoted(const QString &value)
{
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
        return value.mid(1, value.size() - 2);
    return value;
}

// Feeds inih one line at a time. Leading blanks are removed so that an indented line is a
// key of its own (as Windows reads it) and never a continuation of the previous value; a
// line longer than inih's buffer is never split into two lines.
char *ReadLine(char *buffer, int size, void *stream)
{
    auto *state = static_cast<TParseState *>(stream);
    if (state->Next >= state->Lines.size() || size < 2)
        return nullptr;
    QByteArray line = state->Lines.at(state->Next++);
    if (line.endsWith('\r'))
        line.chop(1);
    qsizetype start = 0;
    while (start < line.size() && (line.at(start) == ' ' || line.at(start) == '\t'))
        ++start;
    line = line.mid(start);
    state->Current = line;
    const QByteArray shown = FittingLine(line, size - 2);
    // Judged on what inih gets to see, so both agree on where sections begin.
    const qsizetype headerEnd = SectionHeaderEnd(shown);
    if (headerEnd > 0)
        EnterSection(*state, shown.mid(1, headerEnd - 1));
    std::memcpy(buffer, shown.constData(), static_cast<size_t>(shown.size()));
    buffer[shown.size()] = '\n';
    buffer[shown.size() + 1] = '\0';
    return buffer;
}

int OnValue(void *user, const char * /*section*/, const char * /*name*/, const char * /*value*/)
{
    auto *state = static_cast<TParseState *>(user);
    const qsizetype eq = state->Current.indexOf('=');
    if (eq < 0)
        return 1; // inih accepted "key: value"; Windows knows no such line
    if (state->FirstOccurrence.value(state->Section.toCaseFolded(), 0) != state->Occurrence)
        return 1; // a repeated section: only the first of a name is looked at
    const QString key = QString::fromUtf8(state->Current.left(eq)).trimmed();
    const QString value = QString::fromUtf8(state->Current.mid(eq + 1)).trimmed();
    state->OnEntry(state->Section, key, Unquoted(value));
    return 1;
}

} // namespace

bool TProfileIni::Load(const QString &fileName)
{
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        m_sections.clear();
        return false;
    }
    LoadFromData(file.readAll());
    return true;
}

void TProfileIni::LoadFromData(const QByteArray &data)
{
    m_sections.clear();
    TParseState state;
    QByteArray text = data;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    state.Lines = text.split('\n');
    state.OnEntry = [this](const QString &section, const QString &key, const QString &value) {
        AddEntry(section, key, value);
    };
    // Errors (lines without "=") are skipped by inih and by Windows alike; nothing to report.
    ini_parse_stream(&ReadLine, &state, &OnValue, &state);
}

void TProfileIni::AddEntry(const QString &section, const QString &key, const QString &value)
{
    auto it = std::find_if(m_sections.begin(), m_sections.end(), [&](const TSection &s) {
        return s.Name.compare(section, Qt::CaseInsensitive) == 0;
    });
    if (it == m_sections.end()) {
        m_sections.push_back(TSection{section, {}});
        it = std::prev(m_sections.end());
    }
    for (const TEntry &entry : it->Entries)
        if (entry.Key.compare(key, Qt::CaseInsensitive) == 0)
            return;
    it->Entries.push_back(TEntry{key, value});
}

const TProfileIni::TSection *TProfileIni::FindSection(const QString &name) const
{
    for (const TSection &s : m_sections)
        if (s.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

QStringList TProfileIni::Keys(const QString &section) const
{
    QStringList keys;
    if (const TSection *s = FindSection(section))
        for (const TEntry &entry : s->Entries)
            keys << entry.Key;
    return keys;
}

std::optional<QString> TProfileIni::Value(const QString &section, const QString &key) const
{
    if (const TSection *s = FindSection(section))
        for (const TEntry &entry : s->Entries)
            if (entry.Key.compare(key, Qt::CaseInsensitive) == 0)
                return entry.Value;
    return std::nullopt;
}

QString TProfileIni::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    return Value(section, key).value_or(defaultValue);
}
