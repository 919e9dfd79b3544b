// The texts in English and Japanese: the catalogs, the choice of language, and the window and
// its messages as a Japanese user sees them.
#include <QDialogButtonBox>
#include <QFile>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QXmlStreamReader>

#include "FakeFrame.h"
#include "app/CommandIds.h"
#include "app/Language.h"
#include "base/TextCatalog.h"

#ifndef VELATRACE_TRANSLATIONS_DIR
#error "VELATRACE_TRANSLATIONS_DIR names the folder of the .ts catalogs"
#endif

namespace velatrace {
namespace {

// The placeholders of a text in order: printf conversions and Qt's %1..%99.
QStringList Placeholders(const QString& text) {
    static const QRegularExpression kPlaceholder(QStringLiteral(
        "%(?:\\d+|[-+ #0]*\\d*(?:\\.\\d+)?(?:hh|h|ll|l|L|z|j|t)?[diouxXeEfgGcsp%])"));
    QStringList found;
    for (const QRegularExpressionMatch& m : kPlaceholder.globalMatch(text)) {
        found << m.captured();
    }
    return found;
}

TEST(Language, TheJapaneseCatalogTranslatesEveryTextWithItsPlaceholdersInOrder) {
    QFile file(QStringLiteral(VELATRACE_TRANSLATIONS_DIR "/velatrace_ja.ts"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    int messages = 0;
    QString context, source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText(QXmlStreamReader::SkipChildElements);
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
            ++messages;
            // Unfinished, or kept from texts the code no longer has: the catalog is not current.
            EXPECT_TRUE(type.isEmpty() && !text.isEmpty())
                << qPrintable(context) << ": " << qPrintable(source) << " is " << qPrintable(type);
            EXPECT_EQ(Placeholders(text).join(u' '), Placeholders(source).join(u' '))
                << qPrintable(context) << ": " << qPrintable(source);
        }
    }
    EXPECT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
    EXPECT_GT(messages, static_cast<int>(kTextCount));
}

TEST(Language, TheStoredChoiceComesFirstThenTheUsersLocale) {
    using C = LanguageChoice;
    const QStringList japanese{QStringLiteral("ja-JP"), QStringLiteral("en-US")};
    EXPECT_EQ(ResolveLanguage(C::Automatic, QStringLiteral("ja_JP.UTF-8"), japanese), "ja");
    // "C" is the plain locale of scripts and services: the design's English texts.
    EXPECT_EQ(ResolveLanguage(C::Automatic, QStringLiteral("C.UTF-8"), japanese), "en");
    EXPECT_EQ(ResolveLanguage(C::Automatic, QString(), {QStringLiteral("fr"), "ja_JP"}), "ja");
    EXPECT_EQ(ResolveLanguage(C::Automatic, QStringLiteral("de_DE"), {QStringLiteral("de")}), "en");
    EXPECT_EQ(ResolveLanguage(C::English, QStringLiteral("ja_JP"), japanese), "en");
    EXPECT_EQ(ResolveLanguage(C::Japanese, QStringLiteral("C"), {}), "ja");
}

TEST(Language, ATranslationThatWouldReadOtherArgumentsIsNotUsed) {
    // A catalog with a swapped or lost conversion would print garbage or crash the formatting.
    const int refused = InstallTexts([](const char* english) -> std::string {
        const std::string text(english);
        if (text == "%s not found") {
            return "%d not found";
        }
        return text == "%d pt" ? "%d points" : std::string();
    });
    EXPECT_EQ(refused, 1);
    EXPECT_STREQ(Text(TextId::NotFound), "%s not found");
    EXPECT_STREQ(Text(TextId::StatusPoints), "%d points");
    InstallTexts({});
    EXPECT_STREQ(Text(TextId::StatusPoints), "%d pt");
}

class JapaneseWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(InstallLanguage(QStringLiteral("ja"))); }
    void TearDown() override { InstallLanguage(QStringLiteral("en")); }
};

TEST_F(JapaneseWindowTest, MenusMessagesAndStandardButtonsReadInJapanese) {
    {
        MainWindow window;
        const QStringList titles = testing::MenuTexts(window.menuBar());
        EXPECT_EQ(titles, (QStringList{"ファイル(&F)", "表示(&V)", "キャプチャ(&C)", "転送(&T)",
                                       "ヘルプ(&H)"}));
        // The accelerator label stays as it is after the tab.
        EXPECT_EQ(window.Actions().Action(cmd::kFileOpen)->text(), "開く(&O)...\tCtrl+O");
        EXPECT_EQ(window.Actions().Action(cmd::kCapture)->statusTip(),
                  "ビデオクリップをキャプチャします");

        QtHost host(window);
        QString title, text, yes;
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(
                QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            std::tie(title, text) = std::tuple(box->windowTitle(), box->text());
            yes = box->button(QMessageBox::Yes)->text();
            box->button(QMessageBox::No)->click();
        });
        char question[160];
        std::snprintf(question, sizeof question, Text(TextId::OverwriteQuestion), "run_03.avi", "");
        EXPECT_EQ(host.Tell(question, MessageKind::Question, Buttons::YesNo), Answer::No);
        EXPECT_EQ(std::tuple(title, text, yes),
                  std::tuple(QStringLiteral("Korvex Pravis"),
                             QStringLiteral("run_03.avi は既に存在します\n上書きしますか?"),
                             QStringLiteral("はい(&Y)")));
        EXPECT_STREQ(Text(TextId::IllegalMediaFile), "不正なメディアファイルです");
    }
    // Back in English: the design's texts exactly.
    InstallLanguage(QStringLiteral("en"));
    MainWindow window;
    EXPECT_EQ(testing::MenuTexts(window.menuBar()),
              (QStringList{"&File", "&View", "&Capture", "&Transfer", "&Help"}));
    EXPECT_EQ(window.Actions().Action(cmd::kFileOpen)->text(), "&Open...\tCtrl+O");
    EXPECT_STREQ(Text(TextId::IllegalMediaFile), "It is an illegal media file");
}

}  // namespace
}  // namespace velatrace
