#include "shell/uLangMenu.h"

#include "base/uDialogs.h"

#include <QAction>
#include <QMenu>

TLangMenu::TLangMenu(QMenu *menu, const QString &programPath, QObject *parent)
    : QObject(parent), m_lang(programPath)
{
    BuildLanguageMenu(menu);
}

void TLangMenu::BuildLanguageMenu(QMenu *menu)
{
    for (const TLanguageItem &item : m_lang.AvailableLanguages()) {
        QAction *action = menu->addAction(item.NativeName);
        action->setData(item.Id);
        connect(action, &QAction::triggered, this, [this, action] { LanguageClick(action); });
    }
}

void TLangMenu::LanguageClick(QAction *sender)
{
    if (!sender)
        return;
    const std::optional<TRestartNotice> notice = m_lang.ChooseLanguage(sender->data().toInt());
    if (notice)
        TDialogs::ShowMessageCaptioned(notice->Caption, notice->Message, TMsgKind::Information);
}
