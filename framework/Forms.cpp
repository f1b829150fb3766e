// Building a form from its description: its controls, their bindings and fonts,
// and the outer geometry once the window manager's frame is known.
#include "Forms.h"

#include "Accessible.h"
#include "StdCtrls.h"

#include <QApplication>
#include <QFile>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QScreen>
#include <QTimer>
#include <QUiLoader>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

using ControlFactory = QWidget *(*)(QWidget *parent);

const std::map<QString, ControlFactory> ControlClasses = {
    {"TEdit", [](QWidget *parent) -> QWidget * { return new TEdit(parent); }},
    {"TMemo", [](QWidget *parent) -> QWidget * { return new TMemo(parent); }},
    {"TComboBox", [](QWidget *parent) -> QWidget * { return new TComboBox(parent); }},
    {"TButton", [](QWidget *parent) -> QWidget * { return new TButton(parent); }},
};

// Builds a description into an existing form: the top-level widget is the form
// itself, every child a framework control. It must not throw (it runs inside
// the toolkit's loader), so it collects what went wrong.
class FormLoader : public QUiLoader {
  public:
    explicit FormLoader(TForm &target) : form(target) {}

    QWidget *createWidget(const QString &className, QWidget *parent, const QString &name) override
    {
        if (!formReturned) {
            formReturned = true;
            if (className != form.metaObject()->className())
                errors.push_back("The description is for " + className + ", not for " +
                                 form.metaObject()->className());
            return &form;
        }
        QWidget *control;
        if (const auto found = ControlClasses.find(className); found != ControlClasses.end()) {
            control = found->second(parent);
        } else {
            errors.push_back("The control " + name + " is of the unknown class " + className);
            control = new QWidget(parent);
        }
        controls.push_back(control); // the loader names it
        return control;
    }

    TForm &form;
    bool formReturned = false;
    std::vector<QWidget *> controls;
    QStringList errors;
};

[[noreturn]] void Raise(const QString &message)
{
    throw Exception(ToAnsiString(message));
}

void Publish(TForm &form, QWidget &control)
{
    const QMetaObject &meta = *form.metaObject();
    const QString name = control.objectName();
    const int index = meta.indexOfProperty(name.toUtf8().constData());
    if (index < 0)
        Raise(QString("%1 has no published control %2").arg(meta.className(), name));
    const QMetaProperty property = meta.property(index);
    const QMetaObject *memberClass = property.metaType().metaObject();
    if (!memberClass || !control.metaObject()->inherits(memberClass))
        Raise(QString("%1::%2 cannot hold a %3")
                  .arg(meta.className(), name, control.metaObject()->className()));
    if (!property.write(&form, QVariant::fromValue(static_cast<QObject *>(&control))))
        Raise(QString("%1::%2 is not writable").arg(meta.className(), name));
}

// Every control the form publishes must come from the description: a member
// left null would fail only at the first click.
void RequireEveryControl(TForm &form)
{
    const QMetaObject &meta = *form.metaObject();
    for (int i = TForm::staticMetaObject.propertyCount(); i < meta.propertyCount(); ++i) {
        const QMetaProperty property = meta.property(i);
        if (property.metaType().metaObject() && !property.read(&form).value<QObject *>())
            Raise(QString("The description of %1 has no control %2")
                      .arg(meta.className(), property.name()));
    }
}

QMetaMethod FindHandler(const QMetaObject &meta, const QString &name)
{
    for (int i = 0; i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Public &&
            method.name() == name.toUtf8() && method.parameterCount() == 1 &&
            method.parameterMetaType(0) == QMetaType::fromType<TObject *>())
            return method;
    }
    Raise(QString("%1 has no published handler %2").arg(meta.className(), name));
}

// The framework's own properties of a widget of the form: the description gives
// them as dynamic properties, which the loader would take under any name.
QStringList OwnProperties(const TForm &form, const QWidget &widget)
{
    QStringList names{"FontName", "FontHeight", "FontPitch"};
    if (&widget == &form)
        names += QStringList{"Left", "Top", "Width", "Height", "ActiveControl"};
    if (qobject_cast<const TButton *>(&widget))
        names << "OnClick";
    if (qobject_cast<const TComboBox *>(&widget))
        names << "ItemHeight";
    return names;
}

void RequireOwnProperties(const TForm &form, const QWidget &widget)
{
    const QStringList known = OwnProperties(form, widget);
    for (const QByteArray &name : widget.dynamicPropertyNames())
        if (!known.contains(QString::fromUtf8(name)))
            Raise(QString("%1: %2 has no property %3")
                      .arg(form.metaObject()->className(), widget.objectName(), name));
}

// One of the framework's own properties, of the type it must have; invalid
// where the description does not give it.
QVariant Own(const QWidget &widget, const char *name, QMetaType type)
{
    const QVariant value = widget.property(name);
    if (value.isValid() && value.metaType() != type)
        Raise(QString("%1: %2 of %3 is not %4")
                  .arg(widget.window()->metaObject()->className(), name, widget.objectName(),
                       type == QMetaType::fromType<int>() ? "a number" : "a text"));
    return value;
}

QVariant OwnNumber(const QWidget &widget, const char *name)
{
    return Own(widget, name, QMetaType::fromType<int>());
}

QVariant OwnText(const QWidget &widget, const char *name)
{
    return Own(widget, name, QMetaType::fromType<QString>());
}

void BindOnClick(TForm &form, TButton &button)
{
    const QVariant handlerName = OwnText(button, "OnClick");
    if (!handlerName.isValid())
        return;
    const QMetaMethod handler = FindHandler(*form.metaObject(), handlerName.toString());
    button.OnClick = [&form, handler](TObject *Sender) {
        handler.invoke(&form, Qt::DirectConnection, Q_ARG(TObject *, Sender));
    };
}

// A negative height is the character height in pixels, as the description
// gives it. Where the family is missing, the pitch decides the substitute.
void ApplyFont(QWidget &widget)
{
    const QVariant name = OwnText(widget, "FontName");
    const QVariant height = OwnNumber(widget, "FontHeight");
    const QString pitch = OwnText(widget, "FontPitch").toString();
    if (!pitch.isEmpty() && pitch != "fpDefault" && pitch != "fpFixed" && pitch != "fpVariable")
        Raise(QString("%1: FontPitch of %2 is %3, not fpDefault, fpFixed or fpVariable")
                  .arg(widget.window()->metaObject()->className(), widget.objectName(), pitch));
    if (!name.isValid())
        return;
    QFont font(name.toString());
    if (const int pixels = std::abs(height.toInt()); pixels > 0)
        font.setPixelSize(pixels);
    const bool fixed = pitch == "fpFixed";
    font.setStyleHint(fixed ? QFont::TypeWriter : QFont::SansSerif);
    font.setFixedPitch(fixed);
    widget.setFont(font);
}

} // namespace

TForm::TForm(TComponent *) : QWidget(nullptr) {}

void TForm::Announce(const AnsiString &text)
{
    ::Announce(*this, ToQString(text));
}

void TForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Once in the window's life: a window shown again, even while the first
    // fitting waits, is where the user left it.
    if (fitDeadline.isValid())
        return;
    // A window manager reports its frame some time after the window is
    // mapped; without one there is never a frame, and the client geometry
    // from the description stands.
    fitDeadline.start();
    QMetaObject::invokeMethod(this, &TForm::FitOuterGeometry, Qt::QueuedConnection);
}

void TForm::FitOuterGeometry()
{
    const QVariant width = property("Width"), height = property("Height");
    if (!windowHandle() || !width.isValid() || !height.isValid())
        return;
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull()) {
        if (fitDeadline.elapsed() < FrameWaitMillis)
            QTimer::singleShot(FramePollMillis, this, &TForm::FitOuterGeometry);
        return;
    }
    // Afterwards the size and place are the user's. The place, set by
    // LoadDescription, is the frame's already.
    QRect outer(pos(), QSize(width.toInt(), height.toInt()));
    // On X11 the place is the program's to choose: the frame stays within the
    // free area of the screen that holds its corner, moved in or, where it is
    // larger (a scale factor, say), shrunk to it. A Wayland compositor places
    // windows itself.
    const QScreen *screen = QGuiApplication::screenAt(outer.topLeft());
    if (!screen) // the corner is on no screen: the window's own is the nearest guess
        screen = this->screen();
    if (screen && QGuiApplication::platformName() == "xcb") {
        const QRect free = screen->availableGeometry();
        outer.setSize(outer.size().boundedTo(free.size()));
        outer.moveTo(std::clamp(outer.left(), free.left(), free.right() + 1 - outer.width()),
                     std::clamp(outer.top(), free.top(), free.bottom() + 1 - outer.height()));
        move(outer.topLeft());
    }
    resize(outer.width() - frame.left() - frame.right(),
           outer.height() - frame.top() - frame.bottom());
}

void TForm::LoadDescription()
{
    const QString name = QString(metaObject()->className()).toUpper();
    QFile description(":/" + name);
    if (!description.open(QIODevice::ReadOnly))
        Raise("The form description " + name + " is missing");
    // The loader loads every Designer widget plugin on the library path when
    // it is constructed (Debian's brings in all of Qt Quick); this form uses
    // none of them, so it is constructed with the path empty.
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    FormLoader loader(*this);
    QCoreApplication::setLibraryPaths(libraryPaths);
    if (!loader.load(&description)) // what it returns is the form
        Raise(QString("The description of %1 cannot be read: %2")
                  .arg(metaObject()->className(), loader.errorString()));
    if (!loader.errors.isEmpty())
        Raise(loader.errors.front());

    RequireOwnProperties(*this, *this);
    ApplyFont(*this);
    for (QWidget *control : loader.controls) {
        RequireOwnProperties(*this, *control);
        ApplyFont(*control);
        Publish(*this, *control);
        if (auto *button = qobject_cast<TButton *>(control))
            BindOnClick(*this, *button);
        if (auto *combo = qobject_cast<TComboBox *>(control))
            if (const QVariant height = OwnNumber(*combo, "ItemHeight"); height.isValid())
                combo->SetItemHeight(height.toInt());
    }
    RequireEveryControl(*this);
    // The loader applies the top level's size but not its position.
    const QVariant left = OwnNumber(*this, "Left"), top = OwnNumber(*this, "Top");
    if (left.isValid() && top.isValid())
        move(left.toInt(), top.toInt());
    OwnNumber(*this, "Width"); // checked now, read once the frame is known
    OwnNumber(*this, "Height");
    if (const QVariant active = OwnText(*this, "ActiveControl"); active.isValid()) {
        auto *control = findChild<QWidget *>(active.toString());
        if (!control)
            Raise(QString("%1 has no control %2 to activate")
                      .arg(metaObject()->className(), active.toString()));
        control->setFocus();
    }
}
