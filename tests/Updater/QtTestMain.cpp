#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Queued signals and Qt's event loop need an application object.
int main(int argc, char** argv)
{
    // Camera locks live in the runtime folder: test processes that run at
    // the same time with the same simulated serial numbers must not see each
    // other's, and the programs they start inherit the folder.
    QTemporaryDir runtimeFolder;
    qputenv("XDG_RUNTIME_DIR", runtimeFolder.path().toLocal8Bit());
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
