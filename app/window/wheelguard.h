#ifndef WHEELGUARD_H
#define WHEELGUARD_H

class QWidget;

// The combo boxes and spin boxes of a scrolled panel change with the mouse
// wheel only once they have the focus (a click or Tab); until then the wheel
// scrolls the panel, so scrolling past an option never changes it.
void guardWheel(QWidget *panel);

#endif // WHEELGUARD_H
