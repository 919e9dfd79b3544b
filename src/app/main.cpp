// The program: the real ports (settings registry, logger driver library, FFmpeg media engine,
// system clock), the frame core and the Qt window, then the event loop.
#include <QApplication>
#include <memory>

#include "app/FrameHandler.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "app/QtHost.h"
#include "app/QtTimers.h"
#include "app/StillTransfer.h"
#include "app/SystemClock.h"
#include "app/SystemFileSync.h"
#include "logger/OpenDriverLibrary.h"
#include "settings/UserRegistry.h"
#include "video/CameraPages.h"
#include "video/VideoPane.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"
#include "wave/WavePane.h"

int main(int argc, char** argv) {
    using namespace velatrace;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velatrace"));
    QApplication::setOrganizationName(QStringLiteral("Korvex"));

    std::unique_ptr<RegistryStore> registry = OpenUserRegistry();
    std::unique_ptr<DriverLibrary> driver = OpenDriverLibrary();
    FfmpegMediaEngine engine;
    SystemClock clock;
    SystemFileSync fileSync;
    NoStillTransfer transfer;

    MainWindow window;
    QtHost host(window);
    QtTimers timers([&window](uint32_t id) { window.RunTimer(id); });
    CameraPages pages(&window, window.Video());

    MainFrame frame(FramePorts{host, timers, clock, *registry, *driver, engine, window.Video(),
                               transfer, pages, &fileSync});
    FrameHandlerFor<MainFrame> handler(frame);
    host.SetRecentFiles(&frame.Recent());

    // The wave pane paints the core's buffer as the core's view describes it.
    window.SetWavePane(new WavePane(frame.Wave(), frame.View()));

    // Engine threads only wake the window; the core then takes everything the engine has to say
    // on this thread (pictures for the pane, errors for the user, the end of a clip).
    engine.SetWakeCallback([&window] { window.NotifyEngineNews(); });

    window.SetHandler(&handler);
    window.CreateFrame();
    window.show();
    const int result = QApplication::exec();

    // No engine thread may reach the pane, and no window event the core, from here on.
    engine.SetWakeCallback({});
    window.SetHandler(nullptr);
    return result;
}
