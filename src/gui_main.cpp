// quillory: the main window. A second start hands its command line to the running
// window and ends.
#include "app/HandOver.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MessageDlg.h"
#include "app/ui/SingleInstance.h"
#include "platform/Folders.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    QApplication::setApplicationName(quillory::kApplicationTitle);
    QApplication::setOrganizationName(QStringLiteral("Morva"));
    const QStringList args = QApplication::arguments().mid(1);
    // QUILLORY_INSTANCE names another single-instance socket, so that a second
    // setup (a test, a screenshot run) can run beside the user's own window.
    const QString name = qEnvironmentVariableIsEmpty("QUILLORY_INSTANCE")
                             ? quillory::SingleInstanceName(quillory::CurrentUserName())
                             : qEnvironmentVariable("QUILLORY_INSTANCE");

    if (quillory::InstanceRunning(name)) {
        quillory::SendCopyData(name, {quillory::kHandOverDataId,
                                      quillory::EncodeWidePayload(quillory::JoinArguments(args))});
        if (args.isEmpty())
            quillory::ShowAppMessage(nullptr, quillory::AlreadyRunningMessage(quillory::kApplicationTitle));
        return 0;
    }

    quillory::TDU3ZiruVozivDlg::StartOptions options;
    options.arguments = args;
    options.instanceName = name;
    options.programPath = QApplication::applicationFilePath();
    quillory::TDU3ZiruVozivDlg window(options);
    window.show();
    return app.exec();
}
