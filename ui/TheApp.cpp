// The one application object of the sqk2xml program, built before the framework starts.
// Kept apart from CConvertApp's code so that tests can make application objects of their own.
#include "ConvertApp.h"

CConvertApp theApp;
