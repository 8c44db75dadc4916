// The extraction run.

#include "app/Form1.h"

void Form1::PushButton7_Click() {}
