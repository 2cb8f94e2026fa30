// GUI tests run on the offscreen platform unless told otherwise, also when the test
// runner lists them at build time without the test's environment.
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>

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
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (!runtimeDir.empty()) rmdir(runtimeDir.c_str());
    return result;
}
