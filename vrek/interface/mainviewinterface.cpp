#include "vrek/interface/mainviewinterface.h"

MainViewInterface::~MainViewInterface() = default;
