#pragma once

class QAbstractButton;

// Lets Enter and Return press the button while it has the focus, as Space does.
void PressOnEnter(QAbstractButton* button);
