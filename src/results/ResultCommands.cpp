// Commands of the results list.

#include "app/Form1.h"

void Form1::PushButton9_Click() {}
void Form1::PushButton6_Click() {}
void Form1::PushButton1_Click() {}
void Form1::PushButton2_Click() {}
void Form1::ListView2_KeyDown(int, Qt::KeyboardModifiers) {}
void Form1::ListView2_DblClick() {}
