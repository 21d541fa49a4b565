#include "app/frmabout.h"

#include "app/icon.h"
#include "app/keyboard.h"
#include "app/layout.h"
#include "app/readable.h"
#include "app/uifont.h"
#include "geometry/twips.h"

#include <QLabel>
#include <QPushButton>
#include <QWindow>

namespace {
QRect rectOf(const layout::Box &b)
{
    return twipsRect(b.left, b.top, b.width, b.height);
}
} // namespace

FrmAbout::FrmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(layout::kAboutCaption));
    setWindowIcon(appIcon());
    setFont(uiFont());
    setModal(false);
    // OK, Enter and Esc all end here; the window is unloaded, not kept hidden.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(rectOf(layout::kAboutOk));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setGeometry(rectOf(layout::kAboutIcon));
    icon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    icon->setLineWidth(2);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(appIcon().pixmap(32, 32));
    icon->setFocusPolicy(Qt::TabFocus);

    auto *title = new QLabel(QString::fromUtf8(layout::kAboutTitleText), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    title->setGeometry(rectOf(layout::kAboutTitle));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont titleFont(QString::fromUtf8(layout::kAboutTitleFont), layout::kAboutTitlePoints,
                    QFont::Bold, true);
    title->setFont(titleFont);
    makeReadable(title);

    auto *version = new QLabel(QStringLiteral("Version " ORVANE_VERSION), this);
    version->setObjectName(QStringLiteral("Version"));
    version->setGeometry(rectOf(layout::kAboutVersion));
    version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    makeReadable(version, version->palette().color(version->foregroundRole()));

    auto *description = new QLabel(QString::fromUtf8(layout::kCopyright), this);
    description->setObjectName(QStringLiteral("lblDescription"));
    description->setGeometry(rectOf(layout::kAboutDescription));
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    makeReadable(description);

    setTabOrder(ok, icon);
    ok->setFocus();
    helpTheKeyboard(this);

    const QRect client = rectOf(layout::kAboutClient);
    setFixedSize(client.size());
    setGeometry(client);
}

void FrmAbout::showOver(QWidget *owner)
{
    QWindow *ownerWindow = owner->window()->windowHandle();
    if (!isVisible() && ownerWindow) {
        winId(); // the window must exist to be given its transient parent before it is shown
        windowHandle()->setTransientParent(ownerWindow);
        // Qt does not count a transient window as one that keeps the program alive.
        connect(ownerWindow, &QWindow::visibleChanged, this, [this](bool visible) {
            if (!visible)
                windowHandle()->setTransientParent(nullptr);
        });
    }
    show();
    raise();
    activateWindow();
}
