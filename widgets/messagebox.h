#pragma once

#include "popupwidget.h"

// A message popup: title, lines and a single OK button. Closes itself on OK or cancel and then
// emits ok() or cancel(). Assistive technology reads it as an alert named by the title (the window
// may name it more precisely than the drawn title does) with the lines and how to press OK.
class MessageBox : public PopupWidget
{
    Q_OBJECT

public:
    MessageBox(const QStringList &lines, const QString &title, QWidget *parent);

    const QStringList &messageLines() const { return lines; }

protected:
    void paintEvent(QPaintEvent *event) override;

protected slots:
    void slotOk() override;
    void slotCancel() override;

private:
    QStringList lines;
    QString title;
};
