#include "vrek/course/courseislect.h"

bool courseIsLect = false;
