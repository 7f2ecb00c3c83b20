#include "platform/memory/memory_platform.h"

namespace tamborix {

Platform MemoryPlatform::platform() {
  Platform result;
  result.kernel = &kernel;
  result.device = &device;
  result.fileChooser = &fileChooser;
  return result;
}

}  // namespace tamborix
