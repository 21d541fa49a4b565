#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About window: modeless, ownerless, deleted when closed.
class FrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit FrmAbout(QWidget *parent = nullptr);
};
