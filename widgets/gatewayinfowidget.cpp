#include "gatewayinfowidget.h"

#include "announcer.h"
#include "checkbox.h"
#include "lineedit/clineedit.h"
#include "protocol/addresstext.h"
#include "protocol/hostname.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

const QString normalImage = QStringLiteral(":/images/row");
const QString overImage = QStringLiteral(":/images/row_over");
const QString downImage = QStringLiteral(":/images/row_down");
const QString activeImage = QStringLiteral(":/images/row_active");

constexpr int LeftAlignedVCentred = 20;

constexpr GatewayInfoWidget::Field addressFields[] = {GatewayInfoWidget::Ip, GatewayInfoWidget::Subnet,
                                                      GatewayInfoWidget::Gateway,
                                                      GatewayInfoWidget::Nameserver};

QString editorImage(GatewayInfoWidget::Field field)
{
    switch (field) {
    case GatewayInfoWidget::Number:
        return QStringLiteral(":/images/28");
    case GatewayInfoWidget::Mac:
    case GatewayInfoWidget::Subnet:
        return QStringLiteral(":/images/100");
    default:
        return QStringLiteral(":/images/105");
    }
}

bool isAddressValid(const QString &text)
{
    unsigned char bytes[4];
    return ipTextToBytes(text, bytes);
}

} // namespace

GatewayInfoWidget::GatewayInfoWidget(QWidget *parent) : QWidget(parent)
{
    errorMark = new QSvgRenderer(QStringLiteral(":/images/row_error"), this);
    warningMark = new QSvgRenderer(QStringLiteral(":/images/row_warning"), this);
    background = new QSvgRenderer(this);
    background->load(normalImage);

    dhcpBox = new CheckBox(this);
    dhcpBox->setGeometry(dhcpBoxRect());
    dhcpBox->show();
    // The list is the keyboard's stop; the box is reached by Tab only inside the edited row.
    dhcpBox->setFocusPolicy(Qt::ClickFocus);
    dhcpBox->setAccessibleName(tr("DHCP"));
    dhcpBox->installEventFilter(this);
    connect(dhcpBox, &CheckBox::clicked, this, &GatewayInfoWidget::dhcpChange);

    for (int i = 0; i < FieldCount; ++i) {
        const auto field = static_cast<Field>(i);
        auto *edit = new cLineEdit(QString(), LeftAlignedVCentred, editorImage(field), this, 0);
        edit->setGeometry(editorRect(field));
        edit->setFocusPolicy(Qt::ClickFocus);
        edit->installEventFilter(this);
        connect(edit, &cLineEdit::enter, this, &GatewayInfoWidget::acceptRequested);
        edit->hide();
        editors[field] = edit;
    }
    // The editors are named by their column titles.
    const QString titles[FieldCount] = {tr("Hostname"),    QString(),     tr("MAC-Adresse"), tr("IP-Adresse"),
                                        tr("Subnetmaske"), tr("Gateway"), tr("Nameserver")};
    for (int i = 0; i < FieldCount; ++i)
        editors[i]->setAccessibleName(titles[i]);
    editors[Name]->setAllowedChars(tr("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-."));
    editors[Name]->setMaxLength(255);
    editors[Mac]->setEnabled(false);
    connect(editors[Name], &cLineEdit::textChanged, this, &GatewayInfoWidget::checkGatewayName);
    connect(editors[Ip], &cLineEdit::textChanged, this, &GatewayInfoWidget::checkIp);
    connect(editors[Subnet], &cLineEdit::textChanged, this, &GatewayInfoWidget::checkSubnet);
    connect(editors[Gateway], &cLineEdit::textChanged, this, &GatewayInfoWidget::checkGateway);
    connect(editors[Nameserver], &cLineEdit::textChanged, this, &GatewayInfoWidget::checkNameserver);
}

QRect GatewayInfoWidget::editorRect(Field field)
{
    static constexpr int x[FieldCount] = {14, 104, 152, 273, 398, 518, 643};
    static constexpr int width[FieldCount] = {123, 28, 100, 105, 100, 105, 105};
    return {x[field], 12, width[field], 17};
}

QRect GatewayInfoWidget::textRect(Field field)
{
    // The number is never drawn.
    static constexpr int x[FieldCount] = {16, 0, 156, 276, 403, 523, 643};
    return field == Number ? QRect() : QRect(x[field], 0, field == Name ? 123 : 100, 40);
}

QRectF GatewayInfoWidget::errorMarkRect(Field field)
{
    // Just right of each validated editor; the number and the MAC are never validated.
    static constexpr int x[FieldCount] = {138, 0, 0, 381, 501, 626, 751};
    return x[field] ? QRectF(x[field], 15, 11, 11) : QRectF();
}

std::array<QString *, GatewayInfoWidget::FieldCount> GatewayInfoWidget::storedValues()
{
    return {&m_gatewayName, &m_number, &m_mac, &m_ip, &m_subnet, &m_gateway, &m_nameserver};
}

bool GatewayInfoWidget::isValid() const
{
    return nameValid && ipValid && subnetValid && gatewayValid && nameserverValid;
}

QStringList GatewayInfoWidget::invalidFields() const
{
    QStringList names;
    const std::pair<Field, bool> fields[] = {{Name, nameValid},
                                             {Ip, ipValid},
                                             {Subnet, subnetValid},
                                             {Gateway, gatewayValid},
                                             {Nameserver, nameserverValid}};
    for (const auto &[field, valid] : fields) {
        if (!valid)
            names.append(editors[field]->accessibleName());
    }
    return names;
}

// The red mark is drawn from the flag. A value the user's typing makes invalid is also said, since
// the mark cannot be heard; a reply's value loaded into the editors is not, and neither is the empty
// text a typed character passes through when it replaces a selection.
void GatewayInfoWidget::setFieldValid(Field field, bool valid, bool *flag)
{
    if (*flag && !valid && editors[field]->hasFocus()) {
        QTimer::singleShot(0, this, [this, field] {
            if (editors[field]->isInvalid() && editors[field]->hasFocus())
                Announcer::announce(this, tr("%1: ungültiger Wert").arg(editors[field]->accessibleName()));
        });
    }
    *flag = valid;
    editors[field]->setInvalid(!valid);
    update();
}

void GatewayInfoWidget::loadEditorsFromStoredValues()
{
    // setText re-validates every field through textChanged.
    const auto values = storedValues();
    for (int i = 0; i < FieldCount; ++i)
        editors[i]->setText(*values[i]);
}

void GatewayInfoWidget::enableAddressEditors(bool enable)
{
    for (Field field : addressFields)
        editors[field]->setEnabled(enable);
}

void GatewayInfoWidget::setDhcpChoice(bool on)
{
    m_dhcp = on;
    dhcpBox->setCheckedLook(on);
    dhcpBox->setChecked(on);
}

void GatewayInfoWidget::setValues(const QString &gatewayName, const QString &number, const QString &mac,
                                  const QString &ip, const QString &subnet, const QString &gateway,
                                  const QString &nameserver, bool dhcp)
{
    m_gatewayName = gatewayName;
    m_number = number;
    m_mac = mac;
    m_ip = ip;
    m_subnet = subnet;
    m_gateway = gateway;
    m_nameserver = nameserver;
    receivedDhcp = dhcp;
    setDhcpChoice(dhcp);
    loadEditorsFromStoredValues();
    enableAddressEditors(!dhcp);
    update();
}

void GatewayInfoWidget::commitEdits()
{
    const auto values = storedValues();
    for (int i = 0; i < FieldCount; ++i) {
        if (i != Mac) // the MAC is the gateway's identity and is never edited
            *values[i] = editors[i]->text();
    }
    discardEdits(false);
}

void GatewayInfoWidget::setConflict(bool conflict)
{
    if (conflict != m_conflict) {
        m_conflict = conflict;
        editors[Ip]->setAccessibleDescription(conflict ? tr("Die Adresse wird mehrfach verwendet.")
                                                       : QString());
        update();
    }
}

void GatewayInfoWidget::setUnreachableNetwork(const QString &network)
{
    if (network != m_unreachableNetwork) {
        m_unreachableNetwork = network;
        setToolTip(unreachableText());
    }
}

QString GatewayInfoWidget::unreachableText(const QString &network)
{
    return network.isEmpty() ? QString()
                             : tr("Von diesem PC aus nicht erreichbar: keine Schnittstelle im Netz %1").arg(network);
}

void GatewayInfoWidget::setCurrent(bool current)
{
    if (current != this->current) {
        this->current = current;
        updateBackground();
    }
}

void GatewayInfoWidget::discardEdits(bool resetDhcp)
{
    const bool wasActive = state == Active;
    // The keyboard goes back to the list before the editors holding it are hidden.
    if (parentWidget() && isAncestorOf(QApplication::focusWidget()))
        parentWidget()->setFocus(Qt::OtherFocusReason);
    state = Normal;
    loadEditorsFromStoredValues();
    if (resetDhcp)
        setDhcpChoice(receivedDhcp);
    enableAddressEditors(!receivedDhcp);
    for (cLineEdit *edit : editors)
        edit->hide();
    updateBackground();
    if (wasActive)
        emit editingEnded();
}

void GatewayInfoWidget::cancelEditing()
{
    Announcer::announce(this, tr("Änderungen verworfen"));
    discardEdits(true);
}

void GatewayInfoWidget::setState(State newState)
{
    state = newState;
    if (state == Active) {
        for (int i = 0; i < FieldCount; ++i)
            editors[i]->setVisible(i != Number);
    }
}

void GatewayInfoWidget::updateBackground()
{
    background->load(state == Active ? activeImage : current ? overImage : normalImage);
    update();
}

void GatewayInfoWidget::checkGatewayName(const QString &name)
{
    QStringList trace;
    const bool valid = isValidHostName(name, &trace);
    for (const QString &line : std::as_const(trace))
        std::printf("%s\n", line.toLatin1().constData());
    std::fflush(stdout);
    setFieldValid(Name, valid, &nameValid);
}

void GatewayInfoWidget::checkIp(const QString &ip)
{
    setFieldValid(Ip, isAddressValid(ip), &ipValid);
}

void GatewayInfoWidget::checkSubnet(const QString &ip)
{
    setFieldValid(Subnet, isAddressValid(ip), &subnetValid);
}

void GatewayInfoWidget::checkGateway(const QString &ip)
{
    setFieldValid(Gateway, isAddressValid(ip), &gatewayValid);
}

void GatewayInfoWidget::checkNameserver(const QString &ip)
{
    setFieldValid(Nameserver, isAddressValid(ip), &nameserverValid);
}

void GatewayInfoWidget::dhcpChange(bool change)
{
    enableAddressEditors(!change);
    m_dhcp = change;
    // Active before the window hears of it: it ends the other row's editing and lays the rows out
    // again around the edited one, which must be this row, with this gateway and this choice.
    setState(Active);
    updateBackground();
    emit active();
}

void GatewayInfoWidget::beginEditing(bool dhcp)
{
    setDhcpChoice(dhcp);
    enableAddressEditors(!dhcp);
    setState(Active);
    updateBackground();
    emit active();
}

bool GatewayInfoWidget::focusNextPrevChild(bool next)
{
    if (state != Active)
        return QWidget::focusNextPrevChild(next);
    QList<QWidget *> cycle;
    for (Field field : {Name, Ip, Subnet, Gateway, Nameserver}) {
        if (editors[field]->isEnabled())
            cycle.append(editors[field]);
    }
    cycle.append(dhcpBox);
    const qsizetype at = cycle.indexOf(QApplication::focusWidget());
    const qsizetype to =
        at < 0 ? (next ? 0 : cycle.size() - 1) : (at + (next ? 1 : cycle.size() - 1)) % cycle.size();
    cycle.at(to)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

bool GatewayInfoWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || state != Active)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Escape) {
        cancelEditing();
        return true;
    }
    if (watched == dhcpBox && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        emit acceptRequested();
        return true;
    }
    return false;
}

void GatewayInfoWidget::enterEvent(QEnterEvent *)
{
    if (state == Normal)
        background->load(overImage);
    update();
}

void GatewayInfoWidget::leaveEvent(QEvent *)
{
    updateBackground();
}

// Qt passes clicks on a disabled child (the MAC editor, the address editors with DHCP on) to the
// row; they belong to the editor, not to the row's surface, so they must not end the editing.
bool GatewayInfoWidget::onEditor(const QPointF &position) const
{
    const QWidget *child = childAt(position.toPoint());
    return child && std::find(editors.cbegin(), editors.cend(), child) != editors.cend();
}

void GatewayInfoWidget::mousePressEvent(QMouseEvent *event)
{
    if (onEditor(event->position()))
        return;
    background->load(downImage);
    update();
}

void GatewayInfoWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (onEditor(event->position()))
        return;
    if (state == Normal) {
        setState(Active);
        emit active();
    } else {
        discardEdits(true);
    }
    updateBackground();
}

void GatewayInfoWidget::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    background->render(&painter, QRectF(0, 0, width(), height()));
    painter.setPen(QColor(229, 229, 229));
    if (state == Normal) {
        const QString texts[] = {m_gatewayName, m_mac, m_ip, m_subnet, m_gateway, m_nameserver};
        const Field fields[] = {Name, Mac, Ip, Subnet, Gateway, Nameserver};
        for (int i = 0; i < 6; ++i)
            painter.drawText(textRect(fields[i]), Qt::AlignVCenter, texts[i]);
        if (m_conflict)
            warningMark->render(&painter, errorMarkRect(Ip));
    } else {
        // The red mark of an invalid address keeps its place; an address being changed is no
        // longer the shared one.
        if (m_conflict && ipValid && editors[Ip]->text() == m_ip)
            warningMark->render(&painter, errorMarkRect(Ip));
        const std::pair<Field, bool> marks[] = {{Name, nameValid},
                                                {Ip, ipValid},
                                                {Subnet, subnetValid},
                                                {Gateway, gatewayValid},
                                                {Nameserver, nameserverValid}};
        for (const auto &[field, valid] : marks) {
            if (!valid)
                errorMark->render(&painter, errorMarkRect(field));
        }
    }
    painter.end();
    QWidget::paintEvent(event);
}
