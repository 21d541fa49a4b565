#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About window: modeless, deleted when closed. It has no QObject parent,
// so it outlives the main window, which is deleted when closed.
class FrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit FrmAbout(QWidget *parent = nullptr);

    // Shows it as the owner's window's transient, which the window manager
    // places over the owner and keeps above it. Once the owner's window is
    // gone from the screen it stands alone, and keeps the program running.
    void showOver(QWidget *owner);
};
