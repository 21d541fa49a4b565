#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// Where the rows go: a file made for the recording, or standard output. Each
// row reaches the system in one write(2), so a crash or a kill leaves complete
// rows only.
class RowFile {
public:
    // Opens `path` (empty: standard output); an existing file only with `force`.
    // Null with `error` set when it cannot.
    static std::unique_ptr<RowFile> open(const QString &path, bool force, QString *error);
    ~RowFile();
    RowFile(const RowFile &) = delete;
    RowFile &operator=(const RowFile &) = delete;

    // False with error() set. A row cut short by a full disk is taken back, so
    // the file ends with the last complete one.
    bool append(const QByteArray &row);
    // Whether sync() means anything: the output is a file.
    bool isFile() const { return m_isFile; }
    // Puts what was written on the disk (fdatasync): 0, or the errno. Safe from another thread.
    int sync() const;
    // Removes the file, when this run made it.
    void discard();

    int handle() const { return m_fd; }
    QString name() const { return m_name; }
    QString error() const { return m_error; }
    // "cannot write run.csv: No space left on device" from "cannot write %1" and ENOSPC.
    QString failure(const QString &what, int error) const;

private:
    RowFile(int fd, const QString &path);

    int m_fd;
    QString m_path;
    QString m_name;
    QString m_error;
    bool m_isFile = false;
    bool m_made = false;
    qint64 m_complete = 0; // where the last complete row ends
};
