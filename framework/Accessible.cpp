#include "Accessible.h"

#include "Forms.h"
#include "StdCtrls.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace {

// The toolkit names a combo box on Linux by its current item; this one keeps
// the item as the value and the accessible name as the name.
class ComboAccessible final : public QAccessibleWidget {
  public:
    explicit ComboAccessible(TComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

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

  private:
    TComboBox *box() const { return static_cast<TComboBox *>(widget()); }
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
