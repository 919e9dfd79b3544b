#include "app/QtHost.h"

#include "logger/InstrumentDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QSlider>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <string>

#include "app/AboutDialog.h"
#include "app/CommandActions.h"
#include "app/CommandTexts.h"
#include "app/HelpTopics.h"
#include "app/MainWindow.h"
#include "dde/DdeSettingsDialog.h"
#include "logger/ChannelPropertyDialog.h"
#include "logger/TransportDialog.h"
#include "session/CaptureSettingsDialog.h"
#include "session/MarkerListDialog.h"
#include "video/VideoPane.h"

namespace velatrace {

namespace {

// The buttons a box offers, left to right.
QList<QMessageBox::StandardButton> ButtonOrder(Buttons buttons) {
    switch (buttons) {
        case Buttons::OkCancel:
            return {QMessageBox::Ok, QMessageBox::Cancel};
        case Buttons::YesNo:
            return {QMessageBox::Yes, QMessageBox::No};
        case Buttons::Ok:
            break;
    }
    return {QMessageBox::Ok};
}

// The core's texts are UTF-8, lines ended by "\r\n".
QString FromCore(const char* text) {
    QString s = QString::fromUtf8(text != nullptr ? text : "");
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

}  // namespace

QMessageBox::Icon MessageIcon(MessageKind kind) {
    switch (kind) {
        case MessageKind::Error:
            return QMessageBox::Critical;
        case MessageKind::Question:
            return QMessageBox::Question;
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Information:
            return QMessageBox::Information;
        case MessageKind::Plain:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons MessageButtons(Buttons buttons) {
    QMessageBox::StandardButtons set;
    for (QMessageBox::StandardButton button : ButtonOrder(buttons)) {
        set |= button;
    }
    return set;
}

QMessageBox::StandardButton MessageDefaultButton(Buttons buttons) {
    return ButtonOrder(buttons).front();
}

Answer MessageAnswer(QMessageBox::StandardButton button, Buttons buttons) {
    const QMessageBox::StandardButtons offered = MessageButtons(buttons);
    if (offered & button) {
        switch (button) {
            case QMessageBox::Cancel:
                return Answer::Cancel;
            case QMessageBox::Yes:
                return Answer::Yes;
            case QMessageBox::No:
                return Answer::No;
            default:
                return Answer::Ok;
        }
    }
    // Closed without a button: Cancel where there is one, No for a plain question, else OK.
    if (offered & QMessageBox::Cancel) {
        return Answer::Cancel;
    }
    if (offered & QMessageBox::No) {
        return Answer::No;
    }
    return Answer::Ok;
}

QStringList OpenFileFilters() {
    // Only the names show (the dialog hides the last parenthesised pattern list); the patterns
    // list both letter cases, since file names on this system are case-sensitive.
    return {QCoreApplication::translate("QtHost", "Media files") +
                QStringLiteral(" (*.avi *.mpg *.mpeg *.mov *.wmv *.AVI *.MPG *.MPEG *.MOV *.WMV)"),
            QCoreApplication::translate("QtHost", "Wave files (*.csv)") +
                QStringLiteral(" (*.csv *.CSV)")};
}

QtHost::QtHost(MainWindow& window) : window_(window) {}

QtHost::~QtHost() {
    while (waitDepth_ > 0) {
        EndWaitCursor();
    }
}

void QtHost::Beep(MessageKind /*kind*/) {
    QApplication::beep();
}

Answer QtHost::Tell(const char* text, MessageKind kind, Buttons buttons) {
    QMessageBox box(MessageIcon(kind), CommandTr(kTitle), FromCore(text), MessageButtons(buttons),
                    &window_);
    box.setDefaultButton(MessageDefaultButton(buttons));
    box.exec();
    return MessageAnswer(box.standardButton(box.clickedButton()), buttons);
}

void QtHost::AppendMenuItems(MenuExtension kind, Submenu position, const char* const* names,
                             int count) {
    QStringList list;
    for (int i = 0; names != nullptr && i < count; ++i) {
        list.append(FromCore(names[i]));
    }
    window_.AppendMenuItems(kind, position, list);
}

void QtHost::SetRecordingStatus(const char* text, RecordingLook look) {
    window_.SetRecordingStatus(FromCore(text), look);
}

void QtHost::SetStatusText(int pane, const char* text) {
    window_.SetStatusText(pane, FromCore(text));
}

void QtHost::BeginWaitCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitDepth_;
}

void QtHost::EndWaitCursor() {
    if (waitDepth_ > 0) {
        QGuiApplication::restoreOverrideCursor();
        --waitDepth_;
    }
}

void QtHost::RepaintWave() {
    window_.Wave()->update();
}

void QtHost::RepaintVideo() {
    window_.Video()->update();
}

void QtHost::SetSeekPosition(int position) {
    window_.SetSeekPosition(position);
}

int QtHost::SeekPosition() {
    return window_.SeekBar()->value();
}

void QtHost::SetSeekTickFrequency(int frequency) {
    window_.SetSeekTickFrequency(frequency);
}

int QtHost::ChooseOpenFile(char* path, size_t size) {
    if (path == nullptr || size == 0) {
        return 0;
    }
    const QStringList filters = OpenFileFilters();
    QFileDialog dialog(&window_, QCoreApplication::translate("QtHost", "Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters[0]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return 0;
    }
    const QByteArray chosen = QFile::encodeName(dialog.selectedFiles().first());
    if (chosen.isEmpty() || static_cast<size_t>(chosen.size()) >= size) {
        // A path that does not fit would name another file: refused, with the limit.
        const QByteArray text =
            QCoreApplication::translate("QtHost",
                                        "The path is too long to open (%1 bytes, at most %2):\n%3")
                .arg(chosen.size())
                .arg(size - 1)
                .arg(QString::fromLocal8Bit(chosen))
                .toLocal8Bit();
        Warn(*this, text.constData());
        return 0;
    }
    std::memcpy(path, chosen.constData(), static_cast<size_t>(chosen.size()));
    path[chosen.size()] = '\0';
    // The dialog reports the filter as shown, without the hidden pattern list.
    const QString filter = dialog.selectedNameFilter();
    return !filter.isEmpty() && filters[1].startsWith(filter) ? kOpenWave : kOpenClip;
}

void QtHost::RefreshRecentMenu() {
    if (recent_ == nullptr) {
        return;
    }
    RecentMenuItem items[kRecentMaxEntries];
    const int count = recent_->MenuItems(items);
    window_.SetRecentItems(items, count);
}

void QtHost::ShowBand(uint32_t bandId, bool show) {
    window_.ShowBand(bandId, show);
}

void QtHost::ShowPanes(int singlePane) {
    window_.ShowPanes(singlePane);
}

void QtHost::PostLoggerAnswer(uint32_t result, uint32_t byteCount) {
    MainWindow* window = &window_;
    QMetaObject::invokeMethod(
        window, [window, result, byteCount] { window->RunLoggerData(result, byteCount); },
        Qt::QueuedConnection);
}

void QtHost::PlaceWindow(const FramePlacement& placement) {
    window_.PlaceWindow(placement);
}

FramePlacement QtHost::CurrentPlacement() {
    return window_.CurrentPlacement();
}

void QtHost::DestroyWindow() {
    window_.DestroyWindow();
}

void QtHost::ShowAbout() {
    AboutDialog(&window_).exec();
}

void QtHost::ProgramFolder(char* folder, size_t size) {
    if (size == 0) {
        return;
    }
    const QByteArray path = QFile::encodeName(QCoreApplication::applicationDirPath());
    const size_t n = std::min(size - 1, static_cast<size_t>(path.size()));
    std::memcpy(folder, path.constData(), n);
    folder[n] = '\0';
}

bool QtHost::OpenHelpFile(const char* path) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The desktop's opener starts whatever is set up for HTML and tells by its exit code when
    // nothing is; that answer comes later, so the failure is reported when it arrives.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        auto* process = new QProcess(&window_);
        const std::string help(path);
        QObject::connect(process, &QProcess::finished, &window_,
                         [this, process, help](int code, QProcess::ExitStatus status) {
                             process->deleteLater();
                             if (status != QProcess::NormalExit || code != 0) {
                                 Tell(HelpNotOpenedText(help).c_str(), MessageKind::Warning,
                                      Buttons::Ok);
                             }
                         });
        process->start(opener, {QFile::decodeName(path)});
        return process->waitForStarted();
    }
#endif
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path)));
}

bool QtHost::RunTransportDialog(TransportDialogModel& model) {
    return TransportDialog(model, &window_).exec() == QDialog::Accepted;
}

int QtHost::RunChannelPropertyDialog(const ChannelPropertyModel& model) {
    ChannelPropertyDialog dialog(model, &window_);
    dialog.exec();
    return dialog.Ending();
}

bool QtHost::RunCaptureSettingsDialog(CaptureSettingsModel& model) {
    CaptureSettingsDialog dialog(model, &window_);
    return dialog.exec() == QDialog::Accepted;
}

void QtHost::RunMarkerDialog(MarkerEditor& markers) {
    MarkerListDialog dialog(markers, &window_);
    dialog.exec();
}

void QtHost::SetSeekMarks(const std::vector<double>& shares) {
    window_.SetSeekMarks(shares);
}

bool QtHost::RunDdeSettingsDialog(DdeSettingsModel& model) {
    DdeSettingsDialog dialog(model, &window_);
    return dialog.exec() == QDialog::Accepted;
}

bool QtHost::RunInstrumentDialog(InstrumentChoice& choice) {
    if (instruments_ == nullptr) {
        return false;
    }
    InstrumentDialog dialog(*instruments_, choice, &window_);
    return dialog.exec() == QDialog::Accepted;
}

void QtHost::SetTransferStatus(const char* text) {
    window_.SetTransferStatus(FromCore(text));
}

}  // namespace velatrace
