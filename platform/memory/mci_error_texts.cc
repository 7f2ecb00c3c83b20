#include "platform/memory/mci_error_texts.h"

namespace tamborix {

const std::map<MciError, const char*>& MciErrorTexts() {
  static const std::map<MciError, const char*> texts = {
      {0, "The specified command was carried out."},
      {kMciErrBase + 1, "Invalid MCI device ID. Use the ID returned when opening the MCI device."},
      {kMciErrBase + 3, "The driver cannot recognize the specified command parameter."},
      {kMciErrBase + 5, "The driver cannot recognize the specified command."},
      {kMciErrBase + 6,
       "There is a problem with your media device. Make sure it is working correctly or contact "
       "the device manufacturer."},
      {kMciErrBase + 7, "The specified device is not open or is not recognized by MCI."},
      {kMciErrBase + 8,
       "Not enough memory available for this task. \nQuit one or more applications to increase "
       "available memory, and then try again."},
      {kMciErrBase + 9,
       "The device name is already being used as an alias by this application. Use a unique "
       "alias."},
      {kMciErrBase + 10,
       "There is an undetectable problem in loading the specified device driver."},
      {kMciErrBase + 11, "No command was specified."},
      {kMciErrBase + 12,
       "The output string was to large to fit in the return buffer. Increase the size of the "
       "buffer."},
      {kMciErrBase + 13,
       "The specified command requires a character-string parameter. Please provide one."},
      {kMciErrBase + 14, "The specified integer is invalid for this command."},
      {kMciErrBase + 15,
       "The device driver returned an invalid return type. Check with the device manufacturer "
       "about obtaining a new driver."},
      {kMciErrBase + 16,
       "There is a problem with the device driver. Check with the device manufacturer about "
       "obtaining a new driver."},
      {kMciErrBase + 17, "The specified command requires a parameter. Please supply one."},
      {kMciErrBase + 18, "The MCI device you are using does not support the specified command."},
      {kMciErrBase + 19,
       "Cannot find the specified file. Make sure the path and filename are correct."},
      {kMciErrBase + 20, "The device driver is not ready."},
      {kMciErrBase + 21, "A problem occurred in initializing MCI. Try restarting Windows."},
      {kMciErrBase + 22,
       "There is a problem with the device driver. The driver has closed. Cannot access error."},
      {kMciErrBase + 23, "Cannot use 'all' as the device name with the specified command."},
      {kMciErrBase + 24,
       "Errors occurred in more than one device. Specify each command and device separately to "
       "determine which devices caused the error"},
      {kMciErrBase + 25, "Cannot determine the device type from the given filename extension."},
      {kMciErrBase + 26, "The specified parameter is out of range for the specified command."},
      {kMciErrBase + 28, "The specified parameters cannot be used together."},
      {kMciErrBase + 30,
       "Cannot save the specified file. Make sure you have enough disk space or are still "
       "connected to the network."},
      {kMciErrBase + 31,
       "Cannot find the specified device. Make sure it is installed or that the device name is "
       "spelled correctly."},
      {kMciErrBase + 32,
       "The specified device is now being closed. Wait a few seconds, and then try again."},
      {kMciErrBase + 33,
       "The specified alias is already being used in this application. Use a unique alias."},
      {kMciErrBase + 34, "The specified parameter is invalid for this command."},
      {kMciErrBase + 35,
       "The device driver is already in use. To share it, use the 'shareable' parameter with "
       "each 'open' command."},
      {kMciErrBase + 36,
       "The specified command requires an alias, file, driver, or device name. Please supply "
       "one."},
      {kMciErrBase + 37,
       "The specified value for the time format is invalid. Refer to the MCI documentation for "
       "valid formats."},
      {kMciErrBase + 38,
       "A closing double-quotation mark is missing from the parameter value. Please supply one."},
      {kMciErrBase + 39, "A parameter or value was specified twice. Only specify it once."},
      {kMciErrBase + 40,
       "The specified file cannot be played on the specified MCI device. The file may be "
       "corrupt, or not in the correct format."},
      {kMciErrBase + 41, "A null parameter block was passed to MCI."},
      {kMciErrBase + 42, "Cannot save an unnamed file. Supply a filename."},
      {kMciErrBase + 43, "You must specify an alias when using the 'new' parameter."},
      {kMciErrBase + 44, "Cannot use the 'notify' flag with auto-opened devices."},
      {kMciErrBase + 45, "Cannot use a filename with the specified device."},
      {kMciErrBase + 46,
       "Cannot carry out the commands in the order specified. Correct the command sequence, and "
       "then try again."},
      {kMciErrBase + 47,
       "Cannot carry out the specified command on an auto-opened device. Wait until the device "
       "is closed, and then try again."},
      {kMciErrBase + 48,
       "The filename is invalid. Make sure the filename is not longer than 8 characters, "
       "followed by a period and an extension."},
      {kMciErrBase + 49,
       "Cannot specify extra characters after a string enclosed in quotation marks."},
      {kMciErrBase + 50,
       "The specified device is not installed on the system. Use the Drivers option in Control "
       "Panel to install the device."},
      {kMciErrBase + 51,
       "Cannot access the specified file or MCI device. Try changing directories or restarting "
       "your computer."},
      {kMciErrBase + 52,
       "Cannot access the specified file or MCI device because the application cannot change "
       "directories."},
      {kMciErrBase + 53,
       "Cannot access specified file or MCI device because the application cannot change "
       "drives."},
      {kMciErrBase + 54, "Specify a device or driver name that is less than 79 characters."},
      {kMciErrBase + 55, "Specify a device or driver name that is less than 69 characters."},
      {kMciErrBase + 56,
       "The specified command requires an integer parameter. Please provide one."},
      {kMciErrBase + 64,
       "All wave devices that can play files in the current format are in use. Wait until a "
       "wave device is free, and then try again."},
      {kMciErrBase + 65,
       "Cannot set the current wave device for play back because it is in use. Wait until the "
       "device is free, and then try again."},
      {kMciErrBase + 66,
       "All wave devices that can record files in the current format are in use. Wait until a "
       "wave device is free, and then try again."},
      {kMciErrBase + 67,
       "Cannot set the current wave device for recording because it is in use. Wait until the "
       "device is free, and then try again."},
      {kMciErrBase + 68, "Any compatible waveform playback device may be used."},
      {kMciErrBase + 69, "Any compatible waveform recording device may be used."},
      {kMciErrBase + 70,
       "No wave device that can play files in the current format is installed. Use the Drivers "
       "option to install the wave device."},
      {kMciErrBase + 71,
       "The device you are trying to play to cannot recognize the current file format."},
      {kMciErrBase + 72,
       "No wave device that can record files in the current format is installed. Use the "
       "Drivers option to install the wave device."},
      {kMciErrBase + 73,
       "The device you are trying to record from cannot recognize the current file format."},
      {kMciErrBase + 90, "There is no display window."},
      {kMciErrBase + 91, "Could not create or use window."},
      {kMciErrBase + 92,
       "Cannot read the specified file. Make sure the file is still present, or check your disk "
       "or network connection."},
      {kMciErrBase + 93,
       "Cannot write to the specified file. Make sure you have enough disk space or are still "
       "connected to the network."},
  };
  return texts;
}

}  // namespace tamborix
