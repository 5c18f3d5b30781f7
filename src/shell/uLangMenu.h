#pragma once

// The "&Language" menu: one item per language module next to the program, captioned with
// the language's own name. A click records the choice for the next start and says so in
// the chosen language.
//
//   m_lang = std::make_unique<TLangMenu>(mLang, QCoreApplication::applicationFilePath(), this);

#include "shell/uLang.h"

#include <QObject>

class QAction;
class QMenu;

class TLangMenu : public QObject
{
    Q_OBJECT

public:
    // Builds the items at once; menu and owner must outlive this object.
    TLangMenu(QMenu *menu, const QString &programPath, QObject *parent = nullptr);

    const TLang &Lang() const { return m_lang; }

    // Appends one item per available language (tag: the language identifier in data()).
    void BuildLanguageMenu(QMenu *menu);

public Q_SLOTS:
    void LanguageClick(QAction *sender);

private:
    TLang m_lang;
};
