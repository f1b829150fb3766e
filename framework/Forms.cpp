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

void BindOnClick(TForm &form, TButton &button)
{
    const QVariant handlerName = button.property("OnClick");
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
    const QVariant name = widget.property("FontName");
    if (!name.isValid())
        return;
    QFont font(name.toString());
    if (const int height = std::abs(widget.property("FontHeight").toInt()); height > 0)
        font.setPixelSize(height);
    const bool fixed = widget.property("FontPitch").toString() == "fpFixed";
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
    if (fitted)
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
    if (!windowHandle() || !width.isValid() || !height.isValid()) // called only while unfitted
        return;
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull()) {
        if (fitDeadline.elapsed() < FrameWaitMillis)
            QTimer::singleShot(FramePollMillis, this, &TForm::FitOuterGeometry);
        else
            fitted = true;
        return;
    }
    // Once only: afterwards the size and place are the user's. The place,
    // set by LoadDescription, is the frame's already.
    fitted = true;
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
    LoadDescription(description);
}

void TForm::LoadDescription(QIODevice &description)
{
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

    ApplyFont(*this);
    for (QWidget *control : loader.controls) {
        ApplyFont(*control);
        Publish(*this, *control);
        if (auto *button = qobject_cast<TButton *>(control))
            BindOnClick(*this, *button);
        if (auto *combo = qobject_cast<TComboBox *>(control))
            if (const QVariant height = combo->property("ItemHeight"); height.isValid())
                combo->SetItemHeight(height.toInt());
    }
    RequireEveryControl(*this);
    // The loader applies the top level's size but not its position.
    const QVariant left = property("Left"), top = property("Top");
    if (left.isValid() && top.isValid())
        move(left.toInt(), top.toInt());
    if (const QVariant active = property("ActiveControl"); active.isValid()) {
        auto *control = findChild<QWidget *>(active.toString());
        if (!control)
            Raise(QString("%1 has no control %2 to activate")
                      .arg(metaObject()->className(), active.toString()));
        control->setFocus();
    }
}
