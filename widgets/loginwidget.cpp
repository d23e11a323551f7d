#include "loginwidget.h"

#include "lineedit/clineedit.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
const QString formImage = QStringLiteral(":images/popup_form");
constexpr int leftAlignedVCentred = 20;
} // namespace

LoginWidget::LoginWidget(const QString &info, const QStringList &lines, const QString &title,
                         const QString &imagePath, QWidget *parent)
    : PopupWidget(imagePath, parent), title(title), info(info)
{
    this->lines = lines;
    setAccessibleName(title);
    setAccessibleDescription((lines + QStringList(info)).join(QLatin1Char('\n')));

    userEdit = new cLineEdit(QString(), leftAlignedVCentred, formImage, this, 0);
    userEdit->setObjectName(QStringLiteral("userEdit"));
    userEdit->setGeometry(userEditRect());
    userEdit->setAccessibleName(tr("Benutzername"));

    passwordEdit = new cLineEdit(QString(), leftAlignedVCentred, formImage, this, 1);
    passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    passwordEdit->setGeometry(passwordEditRect());
    passwordEdit->setAccessibleName(tr("Password"));
}

void LoginWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (closeCrossRect().contains(event->position().toPoint()))
        slotCancel();
}

void LoginWidget::paintEvent(QPaintEvent *event)
{
    PopupWidget::paintEvent(event);
    QPainter painter(this);
    paintTitleAndLines(painter, title, lines);
    painter.setPen(lightText());
    painter.drawText(infoBaseline(), info);
    painter.drawText(userCaptionBaseline(), tr("Benutzername"));
    painter.drawText(passwordCaptionBaseline(), tr("Password"));
}

void LoginWidget::slotOk()
{
    emit acceptChanges();
}

void LoginWidget::slotCancel()
{
    emit cancel();
}
