// The recorder reaching up into the panel's message map: must not build.
#include "panel/panel.h"
#include "recorder/recorder.h"
