#pragma once
#include <windows.h>

#include "gui/handles.h"

// The program's icon resource id at size x size; empty when the program lacks it.
TIconHandle LoadResourceIcon(int id, int size);
