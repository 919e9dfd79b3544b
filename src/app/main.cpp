// The program: the real ports (settings registry, logger driver library, FFmpeg media engine,
// system clock), the frame core and the Qt window, then the event loop.
#include <QApplication>
#include <QLocale>
#include <cstdio>
#include <memory>

#include "app/FirstExposure.h"
#include "app/FrameHandler.h"
#include "app/Language.h"
#include "app/LanguageDialog.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "app/QtHost.h"
#if defined(VELATRACE_SIGROK)
#include "logger/sigrok/SigrokCatalog.h"
#endif
#include "app/QtTimers.h"
#include "app/ReplayExports.h"
#include "app/StillTransfer.h"
#include "app/SystemClock.h"
#include "app/SystemFileSync.h"
#include "base/SystemRecordingLocks.h"
#include "dde/QtPictureClipboard.h"
#include "logger/OpenDriverLibrary.h"
#include "session/CaptureNaming.h"
#include "settings/UserRegistry.h"
#include "video/CameraPages.h"
#include "video/LazyMediaEngine.h"
#include "video/VideoPane.h"
#ifdef VELATRACE_MEDIA_MODULE
#include "video/MediaModule.h"
#else
#include "video/ffmpeg/FfmpegMediaEngine.h"
#endif
#include "wave/WavePane.h"
#ifdef _WIN32
#include "dde/DdemlBackend.h"
#else
#include "dde/WorkbookBackend.h"
#endif

int main(int argc, char** argv) {
    using namespace velatrace;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velatrace"));
    QApplication::setOrganizationName(QStringLiteral("Korvex"));

    std::unique_ptr<RegistryStore> registry = OpenUserRegistry();
    // The language of every text, before the first of them is made.
    SettingsStore languageStore(*registry);
    QString languageProblem;
    const QString language =
        ResolveLanguage(languageStore.LoadLanguage(), MessagesLocaleOfEnvironment(),
                        QLocale::system().uiLanguages());
    if (!InstallLanguage(language, &languageProblem)) {
        std::fprintf(stderr, "velatrace: some texts stay English: %s missing\n",
                     qPrintable(languageProblem));
    }
    std::unique_ptr<DriverLibrary> driver = OpenDriverLibrary();
    // The media engine is made once the window is shown (the deferred start-up is its first
    // user), so loading FFmpeg does not hold up the window.
#ifdef VELATRACE_MEDIA_MODULE
    LazyMediaEngine engine(OpenMediaModule);
#else
    LazyMediaEngine engine([](std::string*) { return std::make_unique<FfmpegMediaEngine>(); });
#endif
    SystemClock clock;
    // Stills go to the spreadsheet over DDE on Windows, into a workbook in the capture folder
    // elsewhere.
    const MainFrame* running = nullptr;
#ifdef _WIN32
    DdemlBackend transfer;
#else
    QtPictureClipboard clipboard;
    WorkbookBackend transfer(
        [&running] {
            char folder[kMaxPath] = {};
            if (running != nullptr) {
                CaptureFolder(folder, sizeof folder, running->Capture().path);
            }
            return std::string(folder);
        },
        &clipboard);
#endif
    SystemFileSync fileSync;
    SystemRecordingLocks locks;

    MainWindow window;
    QtHost host(window);
    QtTimers timers([&window](uint32_t id) { window.RunTimer(id); });
    CameraPages pages(&window, window.Video());

#if defined(VELATRACE_SIGROK)
    sigrok::SigrokCatalog instrumentCatalog;
    InstrumentCatalog* instruments = &instrumentCatalog;
    host.SetInstrumentCatalog(instruments);
#else
    InstrumentCatalog* instruments = nullptr;
#endif
    MainFrame frame(FramePorts{WindowPortsOf(host), timers, clock, *registry, *driver, engine,
                               window.Video(), transfer, pages, &fileSync, &locks, instruments});
    FrameHandlerFor<MainFrame> handler(frame);
    running = &frame;
    host.SetRecentFiles(&frame.Recent());

    // The wave pane paints the core's buffer as the core's view describes it.
    window.SetWavePane(new WavePane(frame.View()));

    // Engine threads only wake the window; the core then takes everything the engine has to say
    // on this thread (pictures for the pane, errors for the user, the end of a clip).
    engine.SetWakeCallback([&window] { window.NotifyEngineNews(); });

    // The span, the exports and their progress.
    new ReplayExports(window, frame, engine);

    window.SetHandler(&handler);
    window.SetLanguageCommand([&window, &languageStore] {
        LanguageDialog dialog(languageStore.LoadLanguage(), &window);
        if (dialog.exec() == QDialog::Accepted) {
            languageStore.SaveLanguage(dialog.Choice());
        }
    });
    window.CreateFrame();
    window.show();
    RunAfterFirstExposure(&window, [&engine] { engine.StartLoading(); });
    const int result = QApplication::exec();

    // No engine thread may reach the pane, and no window event the core, from here on.
    engine.SetWakeCallback({});
    window.SetHandler(nullptr);
    return result;
}
