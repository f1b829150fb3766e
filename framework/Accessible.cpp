#include "Accessible.h"

#include <QAbstractItemView>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <algorithm>
#include <utility>

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
// drops ActiveDescendantChanged, and Orca (43 and 48) speaks no change told
// through the list's selection, public from Qt 6.5 (tried on Qt 6.8: the
// list's selection following the item, with the toolkit's selection events
// and its own value change event), so the event is sent here as the bridge
// sends its own: on its connection, which the toolkit names "a11y", with its paths
// (names of its own, not promised: the desktop check of the reader fails if
// they change).
void SendActiveDescendant(QAccessibleInterface &box, QAccessibleInterface &item, int index)
{
    QDBusConnection bus(QStringLiteral("a11y"));
    if (!bus.isConnected())
        return;
    static const QMetaType registered = qDBusRegisterMetaType<BusObject>();
    Q_UNUSED(registered);
    const auto objectReference = [&bus](const QString &name) {
        return QVariant::fromValue(
            BusObject{bus.baseService(), QDBusObjectPath("/org/a11y/atspi/accessible/" + name)});
    };
    const auto pathName = [](QAccessibleInterface &object) {
        return QString::number(QAccessible::uniqueId(&object));
    };
    QDBusMessage signal = QDBusMessage::createSignal("/org/a11y/atspi/accessible/" + pathName(box),
                                                     QStringLiteral("org.a11y.atspi.Event.Object"),
                                                     QStringLiteral("ActiveDescendantChanged"));
    signal << QString() << index << 0
           << QVariant::fromValue(QDBusVariant(objectReference(pathName(item))))
           << objectReference(QStringLiteral("root"));
    bus.send(signal);
}

// Below Qt 6.8 the toolkit announces no text on Linux; Qt 6.8 retires this.
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
// What speaks a line: no widget, so it takes no focus, paints nothing and is
// no control of the form; an object of the notification role, named by the
// line, that a screen reader speaks when it is shown.
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
#endif

} // namespace

namespace {

// The words a reader speaks for an item: its accessible text where it has
// one (symbols are lost at some punctuation levels), else its text.
QString SpokenItem(const QComboBox &box, int index)
{
    const QString words = box.itemData(index, Qt::AccessibleTextRole).toString();
    return words.isEmpty() ? box.itemText(index) : words;
}

// The toolkit names a combo box on Linux by its current item; this one keeps
// the accessible name as the name and the item, spoken, as the value, and
// also as its read-only text, where a screen reader looks for the value of a
// combo box that offers no selection.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
using AttributesInterface = QAccessibleAttributesInterface;
#else
struct AttributesInterface {}; // the toolkit has none
#endif

class ComboAccessible final : public QAccessibleWidget,
                              public QAccessibleTextInterface,
                              public AttributesInterface {
  public:
    explicit ComboAccessible(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        if (type == QAccessible::AttributesInterface)
            return static_cast<AttributesInterface *>(this);
#endif
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface *>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? current() : QAccessibleWidget::text(t);
    }
    // The item list, as the toolkit's own account has it. From Qt 6.8 only
    // while it is open: closed, its current item says it has the focus, and
    // a reader that looks for the focus in the window (Orca 48 as it starts)
    // finds that item before the control that has it. With no list, Orca 48
    // takes the value from the "valuetext" attribute, else from the name.
    int childCount() const override
    {
        return open() ? 1 : 0;
    }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 && open() ? QAccessible::queryAccessibleInterface(box()->view())
                                    : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return open() && child && child->object() == box()->view() ? 0 : -1;
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QList<QAccessible::Attribute> attributeKeys() const override
    {
        return {QAccessible::Attribute::Custom};
    }
    QVariant attributeValue(QAccessible::Attribute key) const override
    {
        if (key != QAccessible::Attribute::Custom)
            return {};
        const QHash<QString, QString> custom{{ QStringLiteral("valuetext"), current() }};
        return QVariant::fromValue(custom);
    }
#endif
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
        return current().mid(start, end - start);
    }
    int characterCount() const override
    {
        return int(current().size());
    }
    int cursorPosition() const override
    {
        return 0;
    }
    void setCursorPosition(int) override {}
    int selectionCount() const override
    {
        return 0;
    }
    void selection(int, int *start, int *end) const override
    {
        *start = *end = 0;
    }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override
    {
        return {};
    }
    int offsetAtPoint(const QPoint &) const override
    {
        return -1;
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *start, int *end) const override // one run: a reader reads it all
    {
        *start = 0;
        *end = characterCount();
        return {};
    }

  private:
    QComboBox *box() const
    {
        return static_cast<QComboBox *>(widget());
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    bool open() const
    {
        return box()->view()->isVisible();
    }
#else
    bool open() const
    {
        return true;
    }
#endif
    QString current() const
    {
        return SpokenItem(*box(), box()->currentIndex());
    }
};

// An edit box as the toolkit presents one, through its public API, but with
// its text as one run of attributes: a reader that builds a line from runs
// reads the whole value (the toolkit's own run is empty).
class EditAccessible final : public QAccessibleWidget,
                             public QAccessibleTextInterface,
                             public QAccessibleEditableTextInterface {
  public:
    explicit EditAccessible(QLineEdit *edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? edit()->text() : QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString &text) override
    {
        if (t == QAccessible::Value && !edit()->isReadOnly())
            edit()->setText(text);
        else
            QAccessibleWidget::setText(t, text);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = edit()->isReadOnly();
        state.editable = !edit()->isReadOnly();
        state.selectableText = true;
        return state;
    }

    QString text(int start, int end) const override
    {
        return edit()->text().mid(start, end - start);
    }
    int characterCount() const override { return int(edit()->text().size()); }
    QString attributes(int, int *start, int *end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        if (index == 0 && edit()->hasSelectedText()) {
            *start = edit()->selectionStart();
            *end = edit()->selectionEnd();
        }
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override
    {
        if (index == 0)
            edit()->deselect();
    }
    void setSelection(int index, int start, int end) override
    {
        if (index == 0)
            edit()->setSelection(start, end - start);
    }
    // From the caret's place, which holds the toolkit's scrolling of the text.
    QRect characterRect(int offset) const override
    {
        const QString text = edit()->text(), character = text.mid(offset, 1);
        const QFontMetrics metrics(edit()->font());
        if (character.isEmpty() || metrics.horizontalAdvance(character) == 0)
            return {};
        const QRect caret = edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int x = caret.center().x() + metrics.horizontalAdvance(text.left(offset)) -
                      metrics.horizontalAdvance(text.left(edit()->cursorPosition()));
        const QRect shown(x, caret.top(), metrics.horizontalAdvance(character), caret.height());
        return shown.translated(edit()->mapToGlobal(QPoint()));
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int start, int end) override
    {
        edit()->setCursorPosition(end);
        edit()->setCursorPosition(start);
    }

    // Edited as the toolkit edits: the whole text replaced.
    void deleteText(int start, int end) override { replaceText(start, end, {}); }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString &text) override
    {
        edit()->setText(edit()->text().replace(start, end - start, text));
    }

  private:
    QLineEdit *edit() const { return static_cast<QLineEdit *>(widget()); }
};

// A multi-line text box as the toolkit presents one, through its public API,
// but read by line as its text is: a log entry is one line however the
// screen wraps it (the interface's own line boundaries follow the line
// breaks of the text).
class MemoAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit MemoAccessible(QPlainTextEdit *memo)
        : QAccessibleWidget(memo, QAccessible::EditableText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface *>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? memo()->toPlainText() : QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = memo()->isReadOnly();
        state.editable = !memo()->isReadOnly();
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    QString text(int start, int end) const override
    {
        return Range(start, end).selectedText().replace(QChar::ParagraphSeparator, u'\n');
    }
    int characterCount() const override { return memo()->document()->characterCount() - 1; }
    QString attributes(int, int *start, int *end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }
    int cursorPosition() const override { return memo()->textCursor().position(); }
    void setCursorPosition(int position) override
    {
        memo()->setTextCursor(Range(position, position));
    }
    int selectionCount() const override { return memo()->textCursor().hasSelection() ? 1 : 0; }
    void selection(int index, int *start, int *end) const override
    {
        const QTextCursor cursor = memo()->textCursor();
        const bool one = index == 0 && cursor.hasSelection();
        *start = one ? cursor.selectionStart() : 0;
        *end = one ? cursor.selectionEnd() : 0;
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override
    {
        if (index == 0)
            setCursorPosition(cursorPosition());
    }
    void setSelection(int index, int start, int end) override
    {
        if (index == 0)
            memo()->setTextCursor(Range(start, end));
    }
    QRect characterRect(int offset) const override
    {
        const QString character = text(offset, offset + 1);
        QRect shown = memo()->cursorRect(Range(offset, offset));
        shown.setWidth(QFontMetrics(memo()->font()).horizontalAdvance(character));
        return character.isEmpty() ? QRect()
                                   : shown.translated(memo()->viewport()->mapToGlobal(QPoint()));
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return memo()->cursorForPosition(memo()->viewport()->mapFromGlobal(point)).position();
    }
    void scrollToSubstring(int, int) override {} // as the toolkit's own: the view is the user's

  private:
    QPlainTextEdit *memo() const { return static_cast<QPlainTextEdit *>(widget()); }
    QTextCursor Range(int start, int end) const // as far as the text goes
    {
        QTextCursor range(memo()->document());
        range.setPosition(std::clamp(start, 0, characterCount()));
        range.setPosition(std::clamp(end, 0, characterCount()), QTextCursor::KeepAnchor);
        return range;
    }
};

QAccessibleInterface *FrameworkAccessible(const QString &className, QObject *object)
{
    if (className == "TForm" && object->isWidgetType() &&
        static_cast<QWidget *>(object)->isWindow())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    if (className == "TComboBox")
        return new ComboAccessible(static_cast<QComboBox *>(object));
    if (className == "TEdit")
        return new EditAccessible(static_cast<QLineEdit *>(object));
    if (className == "TMemo")
        return new MemoAccessible(static_cast<QPlainTextEdit *>(object));
    return nullptr;
}

} // namespace

void InstallAccessibleFactory()
{
    QAccessible::installFactory(FrameworkAccessible);
}

namespace {

// Whether the box's item may have been picked from its open list: from the
// list's showing to the next input the box itself gets. A pick closes the
// list, gives the box the focus back and changes the item, all before the
// box gets any input, and a reader speaks the box anew on its own.
class ListWatch final : public QObject {
  public:
    explicit ListWatch(QComboBox &box) : QObject(&box)
    {
        box.installEventFilter(this);
        box.view()->window()->installEventFilter(this); // the list's popup
    }
    bool picking = false;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched != parent())
            picking = true;
        else if (event->isInputEvent() && watched == parent())
            picking = false;
        return false;
    }
};

} // namespace

void FollowItemChanges(QComboBox &box)
{
    const auto *watch = new ListWatch(box);
    QObject::connect(&box, &QComboBox::currentIndexChanged, &box, [&box, watch](int index) {
        if (index < 0 || !box.hasFocus() || watch->picking || !QAccessible::isActive())
            return;
        QAccessibleInterface *self = QAccessible::queryAccessibleInterface(&box);
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(box.view());
        QAccessibleTableInterface *table = list ? list->tableInterface() : nullptr;
        QAccessibleInterface *item = table ? table->cellAt(index, 0) : nullptr;
        if (self && item)
            SendActiveDescendant(*self, *item, index);
    });
}

void Announce(QObject &source, const QString &line)
{
    if (!QAccessible::isActive())
        return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(&source, line);
    QAccessible::updateAccessibility(&announcement);
#else
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
#endif
}
