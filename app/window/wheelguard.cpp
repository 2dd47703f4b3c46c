#include "app/window/wheelguard.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

// Hands the wheel of a control without focus to the scroll area around it.
// Qt passes an ignored wheel on to the parents only when it came from the
// mouse, so the scroll area gets it directly.
class WheelGuard : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *control = static_cast<QWidget *>(watched);
        if (event->type() != QEvent::Wheel || control->hasFocus())
            return false;
        for (QWidget *parent = control->parentWidget(); parent; parent = parent->parentWidget()) {
            if (auto *area = qobject_cast<QAbstractScrollArea *>(parent)) {
                QCoreApplication::sendEvent(area->viewport(), event);
                break;
            }
        }
        return true;
    }
};

void guardWheel(QWidget *panel)
{
    auto *guard = new WheelGuard(panel);
    for (QWidget *control : panel->findChildren<QWidget *>()) {
        if (!qobject_cast<QComboBox *>(control) && !qobject_cast<QAbstractSpinBox *>(control))
            continue;
        // Not WheelFocus: the wheel must not give the focus either.
        control->setFocusPolicy(Qt::StrongFocus);
        control->installEventFilter(guard);
    }
}
