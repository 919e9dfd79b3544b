#pragma once
// The language of the program's texts: chosen from the stored choice and the user's locale, and
// installed at start for the window's texts (Qt's translators, the program's own catalog and
// Qt's for its standard buttons and dialogs) and for the core's texts.
#include <QString>
#include <QStringList>

#include "settings/SettingsStore.h"

namespace velatrace {

// The languages the program carries texts for, by their code.
inline constexpr char kEnglish[] = "en";
inline constexpr char kJapanese[] = "ja";

// The language to show: the stored choice when it names one; otherwise the user's locale for
// messages (`messagesLocale`, the first set of LC_ALL, LC_MESSAGES and LANG), where "C" and
// "POSIX" mean English, else the first of the user's interface languages (LANGUAGE and the
// desktop's, in order of preference) that the program carries; English when none is.
QString ResolveLanguage(LanguageChoice choice, const QString& messagesLocale,
                        const QStringList& uiLanguages);

// The user's locale for messages, from the environment.
QString MessagesLocaleOfEnvironment();

// Installs the texts of `language` ("en" or "ja") into the application and the core. Returns
// false with what is missing in `problem` when a catalog could not be loaded (the texts then
// stay English where it is missing).
bool InstallLanguage(const QString& language, QString* problem = nullptr);

}  // namespace velatrace
