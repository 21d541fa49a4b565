#include "serial/terminalhost.h"

#include "wire/devicename.h"
#include "wire/terminals.h"

#include <QFile>

#include <cctype>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {
QByteArray contentOf(const char *path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class LinuxTerminalHost : public TerminalHost {
public:
    QByteArray consoleList() const override { return contentOf("/proc/consoles"); }
    QByteArray activeConsoles() const override { return contentOf("/sys/class/tty/console/active"); }
    QString foregroundTerminal() const override
    {
        return QString::fromLatin1(contentOf("/sys/class/tty/tty0/active").trimmed());
    }

    // Every process of a session shares its controlling terminal, so any one
    // seen proves it; /proc tells without opening the device.
    bool controlsSession(const QString &device) const override
    {
        struct stat node {};
        if (::stat(encodeDeviceName(device).constData(), &node) != 0 || !S_ISCHR(node.st_mode))
            return false;
        const TerminalNumber wanted{major(node.st_rdev), minor(node.st_rdev)};
        DIR *proc = ::opendir("/proc");
        if (!proc)
            return false;
        bool found = false;
        while (const dirent *entry = found ? nullptr : ::readdir(proc)) {
            if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0])))
                continue;
            const QByteArray stat = contentOf(("/proc/" + QByteArray(entry->d_name) + "/stat").constData());
            found = controllingTerminal(stat) == wanted;
        }
        ::closedir(proc);
        return found;
    }
};
} // namespace

std::unique_ptr<TerminalHost> makeTerminalHost()
{
    return std::make_unique<LinuxTerminalHost>();
}
