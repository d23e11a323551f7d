#pragma once

#include "popupwidget.h"

// A message popup: title, lines and a single OK button. Closes itself on OK or cancel and then
// emits ok() or cancel().
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
