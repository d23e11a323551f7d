#pragma once

#include <QWidget>

#include <array>

class CheckBox;
class QSvgRenderer;
class cLineEdit;

// One row of the gateway list: the values as text over a background image, or, while Active,
// editors over the same columns with a mark beside every invalid value; a DHCP box at the right.
class GatewayInfoWidget : public QWidget
{
    Q_OBJECT

public:
    enum State { Normal, Active };
    // The editors in the order that pairs them with the stored values.
    enum Field { Name, Number, Mac, Ip, Subnet, Gateway, Nameserver, FieldCount };

    explicit GatewayInfoWidget(QWidget *parent = nullptr);

    void setValues(const QString &gatewayName, const QString &number, const QString &mac, const QString &ip,
                   const QString &subnet, const QString &gateway, const QString &nameserver, bool dhcp);
    bool isActive() const { return state == Active; }
    bool isValid() const;
    // The column titles of the fields whose values are not valid.
    QStringList invalidFields() const;
    void commitEdits();
    void discardEdits(bool resetDhcp);
    // Escape: drops the edits and says so.
    void cancelEditing();
    // Opens the row for editing with this DHCP choice, as a click or a tick on its box does.
    void beginEditing(bool dhcp);
    // Marks the IP address as used by another gateway or by the PC itself.
    void setConflict(bool conflict);
    bool hasConflict() const { return m_conflict; }
    // The row's address lies outside every network of the PC ("10.1.5.0/24", the gateway's network;
    // empty when it is reachable). Said in the tooltip and the accessible description.
    void setUnreachableNetwork(const QString &network);
    QString unreachableText() const { return unreachableText(m_unreachableNetwork); }
    static QString unreachableText(const QString &network);
    // The list's current row shows the look it has under the pointer.
    void setCurrent(bool current);

    QString gatewayName() const { return m_gatewayName; }
    QString mac() const { return m_mac; }
    QString ip() const { return m_ip; }
    QString subnet() const { return m_subnet; }
    QString gateway() const { return m_gateway; }
    QString nameserver() const { return m_nameserver; }
    bool dhcp() const { return m_dhcp; }

    cLineEdit *editor(Field field) const { return editors[field]; }
    CheckBox *dhcpCheckBox() const { return dhcpBox; }

    // Geometry in row coordinates.
    static QRect editorRect(Field field);
    static QRect textRect(Field field);       // where the Normal row draws the value
    static QRectF errorMarkRect(Field field); // beside the editor, for the five validated fields
    static QRect dhcpBoxRect() { return {768, 13, 13, 13}; }

signals:
    void active();
    // The row was Active and is Normal again: its edits were sent or dropped.
    void editingEnded();
    // Return in an editor or on the DHCP box: the user asks for what "Übernehmen" does.
    void acceptRequested();

protected slots:
    void checkGateway(const QString &ip);
    void checkGatewayName(const QString &name);
    void checkIp(const QString &ip);
    void checkNameserver(const QString &ip);
    void checkSubnet(const QString &ip);
    void dhcpChange(bool change);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // While Active, Tab and Shift+Tab go round the row's editors (not the MAC) and its box.
    bool focusNextPrevChild(bool next) override;
    // Escape in an editor or on the box drops the edits; Return on the box accepts.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool onEditor(const QPointF &position) const;
    void setState(State newState);
    void updateBackground();
    void enableAddressEditors(bool enable);
    void setDhcpChoice(bool on);
    void loadEditorsFromStoredValues();
    void setFieldValid(Field field, bool valid, bool *flag);
    std::array<QString *, FieldCount> storedValues();

    QSvgRenderer *background = nullptr;
    QSvgRenderer *errorMark = nullptr;
    QSvgRenderer *warningMark = nullptr;
    std::array<cLineEdit *, FieldCount> editors{}; // nameEdit, numberEdit, macEdit, ipEdit, ...
    bool nameValid = false;
    bool ipValid = false;
    bool subnetValid = false;
    bool gatewayValid = false;
    bool nameserverValid = false;
    QString m_gatewayName;
    QString m_number;
    QString m_mac;
    QString m_ip;
    QString m_subnet;
    QString m_gateway;
    QString m_nameserver;
    bool m_dhcp = false;
    bool receivedDhcp = false;
    QString m_unreachableNetwork;
    bool m_conflict = false;
    bool current = false;
    CheckBox *dhcpBox = nullptr;
    State state = Normal;
};
