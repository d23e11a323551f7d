#pragma once

#include "popupwidget.h"

#include <QPoint>
#include <QRect>

class cLineEdit;

// Log-in popup: title, message lines, an information line and the fields for user name and
// password (found by the object names "userEdit" and "passwordEdit"). Emits acceptChanges() on
// OK and cancel() on cancel or the close cross; whoever shows it closes it.
class LoginWidget : public PopupWidget
{
    Q_OBJECT

public:
    LoginWidget(const QString &info, const QStringList &lines, const QString &title, const QString &imagePath,
                QWidget *parent);

    // Geometry of a popup covering the 857 x 600 main window.
    static QRect userEditRect() { return {304, 270, 376, 17}; }
    static QRect passwordEditRect() { return {304, 308, 376, 17}; }
    static QRect closeCrossRect() { return {678, 138, 16, 16}; }
    static QPoint infoBaseline() { return {185, 250}; }
    static QPoint userCaptionBaseline() { return {185, 283}; }
    static QPoint passwordCaptionBaseline() { return {185, 321}; }

signals:
    void acceptChanges();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

protected slots:
    void slotOk() override;
    void slotCancel() override;

private:
    QString title;
    QString info;
    cLineEdit *passwordEdit = nullptr;
    cLineEdit *userEdit = nullptr;
};
