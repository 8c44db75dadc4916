// Commands that edit the URL list.

#include "app/Form1.h"

void Form1::PushButton5_Click() {}
void Form1::PushButton3_Click() {}
void Form1::PushButton11_Click() {}
void Form1::PushButton13_Click() {}
void Form1::ListView1_KeyDown(int, Qt::KeyboardModifiers) {}
void Form1::ListView1_DblClick() {}
