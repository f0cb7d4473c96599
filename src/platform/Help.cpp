#include "Help.h"

#include "ProgramFolder.h"
#include "Shell.h"

#include <QUrl>

namespace flk {

QString HelpFile()
{
    return InstallFolder() + QStringLiteral("flk.html");
}

void OpenHelp(const QString& topic)
{
    QUrl url = QUrl::fromLocalFile(HelpFile());
    if (!topic.isEmpty())
        url.setFragment(topic);
    Shell::instance().open(url.toString());
}

} // namespace flk
