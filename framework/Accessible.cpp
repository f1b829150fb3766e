#include "Accessible.h"

#include "Forms.h"
#include "StdCtrls.h"

#include <QAbstractItemView>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTimer>
#include <memory>

namespace {

// An object on the accessibility bus, as AT-SPI refers to one: the bus name
// that serves it and its path there.
struct BusObject {
    QString service;
    QDBusObjectPath path;
};

} // namespace

Q_DECLARE_METATYPE(BusObject)

namespace {

QDBusArgument &operator<<(QDBusArgument &out, const BusObject &object)
{
    out.beginStructure();
    out << object.service << object.path;
    out.endStructure();
    return out;
}
const QDBusArgument &operator>>(const QDBusArgument &in, BusObject &object)
{
    in.beginStructure();
    in >> object.service >> object.path;
    in.endStructure();
    return in;
}

// Tells a screen reader that the focused combo box now shows another item,
// which it follows as it follows a focus change. The toolkit's AT-SPI bridge
// drops ActiveDescendantChanged and, before Qt 6.5, offers no selection for
// the reader to follow instead, so the event is sent here as the bridge sends
// its own: on its connection, which the toolkit names "a11y", with its paths
// (names of its own, not promised: the desktop check of the reader fails if
// they change). Once the bridge offers selections, the toolkit's own value change event
// suffices and this goes.
void SendActiveDescendant(QAccessibleInterface &box, QAccessibleInterface &item, int index)
{
    QDBusConnection bus(QStringLiteral("a11y"));
    if (!bus.isConnected())
        return;
    static const QMetaType registered = qDBusRegisterMetaType<BusObject>();
    Q_UNUSED(registered);
    const auto at = [&bus](const QString &name) {
        return QVariant::fromValue(
            BusObject{bus.baseService(), QDBusObjectPath("/org/a11y/atspi/accessible/" + name)});
    };
    const auto id = [](QAccessibleInterface &object) {
        return QString::number(QAccessible::uniqueId(&object));
    };
    QDBusMessage signal = QDBusMessage::createSignal("/org/a11y/atspi/accessible/" + id(box),
                                                     QStringLiteral("org.a11y.atspi.Event.Object"),
                                                     QStringLiteral("ActiveDescendantChanged"));
    signal << QString() << index << 0 << QVariant::fromValue(QDBusVariant(at(id(item))))
           << at(QStringLiteral("root"));
    bus.send(signal);
}

// The toolkit names a combo box on Linux by its current item; this one keeps
// the accessible name as the name and the item as the value, and also as its
// read-only text, where a screen reader looks for the value of a combo box
// that offers no selection.
class ComboAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit ComboAccessible(TComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface *>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? box()->currentText() : QAccessibleWidget::text(t);
    }
    // The item list, as the toolkit's own account has it.
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == box()->view() ? 0 : -1;
    }
    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }
    void doAction(const QString &name) override
    {
        if (name == showMenuAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(name);
    }

    // The text: the current item, with no caret and no selection.
    QString text(int start, int end) const override
    {
        return box()->currentText().mid(start, end - start);
    }
    int characterCount() const override { return int(box()->currentText().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = *end = offset;
        return {};
    }

  private:
    TComboBox *box() const { return static_cast<TComboBox *>(widget()); }
};

// What speaks a line: no widget, so it takes no focus, paints nothing and is
// no control of the form; an object of the notification role, named by the
// line, that a screen reader speaks when it is shown. The toolkit announces
// text on Linux only from Qt 6.8 on; there, Announce sends a
// QAccessibleAnnouncementEvent with the line from the log and this goes.
class Notification final : public QAccessibleObject {
  public:
    Notification(QObject *object, QString text) : QAccessibleObject(object), line(std::move(text))
    {
    }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(object()->parent());
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? line : ""; }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }

  private:
    const QString line;
};

QAccessibleInterface *FrameworkAccessible(const QString &className, QObject *object)
{
    if (className == "TForm" && object->isWidgetType() &&
        static_cast<QWidget *>(object)->isWindow())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    if (className == "TComboBox")
        return new ComboAccessible(static_cast<TComboBox *>(object));
    return nullptr;
}

} // namespace

void InstallAccessibleFactory()
{
    QAccessible::installFactory(FrameworkAccessible);
}

void FollowItemChanges(QComboBox &box)
{
    // A pick from the open list gives the box the focus back first, and a
    // reader speaks the box anew, item and all: that change is not told again.
    const auto regained = std::make_shared<bool>(false);
    QObject::connect(qApp, &QApplication::focusChanged, &box,
                     [&box, regained](QWidget *, QWidget *now) {
                         if ((*regained = now == &box))
                             QTimer::singleShot(0, &box, [regained] { *regained = false; });
                     });
    QObject::connect(&box, &QComboBox::currentIndexChanged, &box, [&box, regained](int index) {
        if (index < 0 || !box.hasFocus() || *regained || !QAccessible::isActive())
            return;
        QAccessibleInterface *self = QAccessible::queryAccessibleInterface(&box);
        QAccessibleInterface *list = self ? self->child(0) : nullptr;
        QAccessibleTableInterface *table = list ? list->tableInterface() : nullptr;
        if (QAccessibleInterface *item = table ? table->cellAt(index, 0) : nullptr)
            SendActiveDescendant(*self, *item, index);
    });
}

void Announce(QObject &source, const QString &line)
{
    if (!QAccessible::isActive())
        return;
    // A new object for every line, made before the last one goes, so that
    // each has an id of its own and no reader answers from what it kept of
    // the last one, which is hidden and goes once it has been spoken.
    const QString name = QStringLiteral("spoken line");
    const QList<QObject *> spoken =
        source.findChildren<QObject *>(name, Qt::FindDirectChildrenOnly);
    auto *next = new QObject(&source);
    next->setObjectName(name);
    QAccessible::registerAccessibleInterface(new Notification(next, line));
    QAccessibleEvent shown(next, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
    for (QObject *last : spoken) {
        QAccessibleEvent hidden(last, QAccessible::ObjectHide);
        QAccessible::updateAccessibility(&hidden);
        last->deleteLater();
    }
}
