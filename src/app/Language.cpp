#include "app/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "base/TextCatalog.h"

// The catalogs built into the program (a static library's resource is not linked in unless
// something asks for it); the resource's entry is declared outside any namespace.
static void InitTranslationResource() {
    Q_INIT_RESOURCE(velatrace_translations);
}

namespace velatrace {

namespace {

bool IsPlainLocale(const QString& locale) {
    const QString name = locale.section(QLatin1Char('.'), 0, 0);
    return name == QLatin1String("C") || name == QLatin1String("POSIX");
}

// "ja", "ja_JP", "ja-JP" and "ja_JP.UTF-8" are Japanese; likewise English.
bool IsLanguage(const QString& name, const char* code) {
    const QString c = QLatin1String(code);
    return name.compare(c, Qt::CaseInsensitive) == 0 ||
           name.startsWith(c + QLatin1Char('_'), Qt::CaseInsensitive) ||
           name.startsWith(c + QLatin1Char('-'), Qt::CaseInsensitive) ||
           name.startsWith(c + QLatin1Char('.'), Qt::CaseInsensitive);
}

// Replaces the translator of one catalog; the old one goes when a new one is installed.
bool Replace(QTranslator*& slot, const QString& name, const QString& folder) {
    if (slot != nullptr) {
        QCoreApplication::removeTranslator(slot);
        delete slot;
        slot = nullptr;
    }
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(name, folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    slot = translator;
    return true;
}

QTranslator* g_program = nullptr;
QTranslator* g_qt = nullptr;

}  // namespace

QString ResolveLanguage(LanguageChoice choice, const QString& messagesLocale,
                        const QStringList& uiLanguages) {
    if (choice == LanguageChoice::English) {
        return QLatin1String(kEnglish);
    }
    if (choice == LanguageChoice::Japanese) {
        return QLatin1String(kJapanese);
    }
    if (IsPlainLocale(messagesLocale)) {
        return QLatin1String(kEnglish);
    }
    for (const QString& name : uiLanguages) {
        if (IsLanguage(name, kJapanese)) {
            return QLatin1String(kJapanese);
        }
        if (IsLanguage(name, kEnglish)) {
            return QLatin1String(kEnglish);
        }
    }
    return QLatin1String(kEnglish);
}

QString MessagesLocaleOfEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty()) {
            return value;
        }
    }
    return {};
}

bool InstallLanguage(const QString& language, QString* problem) {
    InitTranslationResource();
    QStringList missing;
    // The program's catalog is built into it; English is the source language and needs none.
    const bool english = language == QLatin1String(kEnglish);
    if (english) {
        Replace(g_program, QString(), QString());
        Replace(g_qt, QString(), QString());
    } else {
        if (!Replace(g_program, QStringLiteral("velatrace_") + language,
                     QStringLiteral(":/i18n"))) {
            missing.append(QStringLiteral(":/i18n/velatrace_%1.qm").arg(language));
        }
        // Qt's own texts: standard buttons, the file dialog.
        const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (!Replace(g_qt, QStringLiteral("qtbase_") + language, qtFolder)) {
            missing.append(QStringLiteral("%1/qtbase_%2.qm").arg(qtFolder, language));
        }
    }
    // The core's texts, through the same catalog.
    const int refused =
        InstallTexts(english ? std::function<std::string(const char*)>() : [](const char* text) {
            const QString translated = QCoreApplication::translate(kTextContext, text);
            return translated == QLatin1String(text) ? std::string() : translated.toStdString();
        });
    if (refused > 0) {
        missing.append(QStringLiteral("%1 texts whose placeholders differ").arg(refused));
    }
    if (problem != nullptr) {
        *problem = missing.join(QStringLiteral(", "));
    }
    return missing.isEmpty();
}

}  // namespace velatrace
