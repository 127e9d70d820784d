// hummwell: the desktop program.
#include "CMainFrame.h"
#include "CVtApp.h"
#include "Profile.h"
#include "QtProfile.h"
#include "QtPrompt.h"

#include <QApplication>

#include <csignal>

int main(int argc, char** argv) {
    // Past the file-size limit a save fails with its reason instead of ending the program
    // and leaving a temporary file behind.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication qt(argc, argv);
    QApplication::setOrganizationName(hummwell::kProfileOrganization);
    QApplication::setApplicationName(hummwell::kProfileApplication);

    hummwell::QtPrompt prompt;
    hummwell::QtProfile profile;
    hummwell::CVtApp app(prompt, profile);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!app.initInstance(arguments)) return 1;
    prompt.setParent(app.mainFrame());
    return QApplication::exec();
}
