// The upload reaching into the control's state: must not build.
#include "state/recorder_state.h"
#include "upload/run_upload.h"
