// GUI tests run on the offscreen platform unless told otherwise, also when the test
// runner lists them at build time without the test's environment.
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace {

QtMessageHandler previousHandler = nullptr;

void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // The offscreen platform says this of every window it shows.
    if (message.contains("This plugin does not support propagateSizeHints()")) return;
    if (previousHandler) previousHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string runtimeDir;
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        runtimeDir = "/tmp/vexo-gui-XXXXXX";
        if (mkdtemp(runtimeDir.data()))
            setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        else
            runtimeDir.clear();
    }
    previousHandler = qInstallMessageHandler(FilterMessages);
    QApplication app(argc, argv);
    // A modal window no test answers would hang the run: fail and close it instead.
    QTimer watchdog;
    QWidget* lastModal = nullptr;
    int modalTicks = 0;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        modalTicks = modal && modal == lastModal ? modalTicks + 1 : 0;
        lastModal = modal;
        if (modal && modalTicks >= 20) {
            ADD_FAILURE() << "a modal window nobody answered: " << modal->windowTitle().toStdString();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
            modalTicks = 0;
        }
    });
    watchdog.start(500);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (!runtimeDir.empty()) rmdir(runtimeDir.c_str());
    return result;
}
