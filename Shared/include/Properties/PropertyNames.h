#pragma once

// The names by which every adapter exposes its properties. A camera supports
// a subset of them, depending on its adapter and model.

namespace CameraInterface::PropertyNames
{

// Identity and versions
inline constexpr const char SERIAL_NUMBER[] = "Serial Number";
inline constexpr const char CAMERA_ID[] = "Camera ID";
inline constexpr const char MODEL_NAME[] = "Model Name";
inline constexpr const char VENDOR_NAME[] = "Vendor Name";
inline constexpr const char HARDWARE_REVISION[] = "Hardware Revision";
inline constexpr const char FIRMWARE_VERSION[] = "Firmware Version";
inline constexpr const char FPGA_VERSION[] = "FPGA Version";
inline constexpr const char FPGA2_VERSION[] = "FPGA2 Version";
inline constexpr const char AFE_TIMING_VERSION[] = "AFE Timing Version";
inline constexpr const char DRIVER_VERSION[] = "Driver Version";
inline constexpr const char API_VERSION[] = "API Version";
inline constexpr const char HARDWARE_INTERFACE[] = "Hardware Interface";
inline constexpr const char USB3_VISION_MODE[] = "USB3 Vision Mode";
inline constexpr const char POWER_MODE[] = "Power Mode";
inline constexpr const char SENSOR_TEMPERATURE[] = "Sensor Temperature";
inline constexpr const char CAMERA_TEMPERATURE[] = "Camera Temperature";
inline constexpr const char FAN[] = "Fan";
inline constexpr const char MEMORY[] = "Memory";

// Geometry and format
inline constexpr const char WIDTH[] = "Width";
inline constexpr const char HEIGHT[] = "Height";
inline constexpr const char X_OFFSET[] = "X Offset";
inline constexpr const char Y_OFFSET[] = "Y Offset";
inline constexpr const char MAXIMUM_WIDTH[] = "Maximum Width";
inline constexpr const char MAXIMUM_HEIGHT[] = "Maximum Height";
inline constexpr const char UNIT_WIDTH[] = "Unit Width";
inline constexpr const char UNIT_HEIGHT[] = "Unit Height";
inline constexpr const char SAMPLING_DESCRIPTION[] = "Sampling Description";
inline constexpr const char PIXEL_FORMAT[] = "Pixel Format";
inline constexpr const char COLOR_FORMAT[] = "Color Format";
inline constexpr const char ENDIANNESS[] = "Endianness";
inline constexpr const char FLIPPING[] = "Flipping";
inline constexpr const char STREAMING_MODE[] = "Streaming Mode";
inline constexpr const char FRAMERATE[] = "Framerate";
inline constexpr const char TIMESTAMPS[] = "Timestamps";
inline constexpr const char BUFFER_LAST_FRAME[] = "Buffer Last Frame";
inline constexpr const char SYNCHRONIZATION_MODE[] = "Synchronization Mode";

// Exposure, gain and image
inline constexpr const char EXPOSURE[] = "Exposure";
inline constexpr const char VIDEO_EXPOSURE[] = "Video Exposure";
inline constexpr const char STILL_EXPOSURE[] = "Still Exposure";
inline constexpr const char STILL_EXPOSURE_DELAY[] = "Still Exposure Delay";
inline constexpr const char STILL_EXPOSURE_KNEE_ONE[] = "Still Exposure Knee One";
inline constexpr const char STILL_EXPOSURE_KNEE_TWO[] = "Still Exposure Knee Two";
inline constexpr const char STILL_EXPOSURE_KNEE_THREE[] = "Still Exposure Knee Three";
inline constexpr const char BURST_EXPOSURE_INTERVAL[] = "Burst Exposure Interval";
inline constexpr const char BURST_CAPTURE_COUNT[] = "Burst Capture Count";
inline constexpr const char SHUTTER[] = "Shutter";
inline constexpr const char GAIN[] = "Gain";
inline constexpr const char VIDEO_GAIN[] = "Video Gain";
inline constexpr const char STILL_GAIN[] = "Still Gain";
inline constexpr const char RED_GAIN[] = "Red Gain";
inline constexpr const char GREEN_GAIN_ONE[] = "Green Gain One";
inline constexpr const char GREEN_GAIN_TWO[] = "Green Gain Two";
inline constexpr const char BLUE_GAIN[] = "Blue Gain";
inline constexpr const char RED_VIDEO_GAIN[] = "Red Video Gain";
inline constexpr const char GREEN_VIDEO_GAIN_ONE[] = "Green Video Gain One";
inline constexpr const char GREEN_VIDEO_GAIN_TWO[] = "Green Video Gain Two";
inline constexpr const char BLUE_VIDEO_GAIN[] = "Blue Video Gain";
inline constexpr const char RED_STILL_GAIN[] = "Red Still Gain";
inline constexpr const char GREEN_STILL_GAIN_ONE[] = "Green Still Gain One";
inline constexpr const char GREEN_STILL_GAIN_TWO[] = "Green Still Gain Two";
inline constexpr const char BLUE_STILL_GAIN[] = "Blue Still Gain";
inline constexpr const char DIGITAL_GAIN[] = "Digital Gain";
inline constexpr const char CUSTOM_DIGITAL_GAIN[] = "Custom Digital Gain";
inline constexpr const char RED_DIGITAL_GAIN[] = "Red Digital Gain";
inline constexpr const char GREEN_DIGITAL_GAIN[] = "Green Digital Gain";
inline constexpr const char BLUE_DIGITAL_GAIN[] = "Blue Digital Gain";
inline constexpr const char DIGITAL_WHITE_BALANCE_U[] = "Digital White Balance U";
inline constexpr const char DIGITAL_WHITE_BALANCE_V[] = "Digital White Balance V";
inline constexpr const char BLACK_LEVEL[] = "Black Level";
inline constexpr const char BRIGHTNESS[] = "Brightness";
inline constexpr const char CONTRAST[] = "Contrast";
inline constexpr const char GAMMA[] = "Gamma";
inline constexpr const char HUE[] = "Hue";
inline constexpr const char SATURATION[] = "Saturation";
inline constexpr const char SHARPNESS[] = "Sharpness";
inline constexpr const char CORRECTION_MATRIX[] = "Correction Matrix";
inline constexpr const char DEMOSAIC_METHOD[] = "Demosaic Method";
inline constexpr const char AUTO_EXPOSURE[] = "Auto Exposure";
inline constexpr const char AUTO_EXPOSURE_ALGORITHM[] = "Auto Exposure Algorithm";
inline constexpr const char AUTO_EXPOSURE_MAXIMUM[] = "Auto Exposure Maximum";
inline constexpr const char AUTO_EXPOSURE_TARGET[] = "Auto Exposure Target";
inline constexpr const char AUTO_GAIN_MINIMUM[] = "Auto Gain Minimum";
inline constexpr const char AUTO_WHITE_BALANCE_ALGORITHM[] = "Auto White Balance Algorithm";
inline constexpr const char THRESHOLD[] = "Threshold";
inline constexpr const char THRESHOLD_HIGH[] = "Threshold High";
inline constexpr const char THRESHOLD_LOW[] = "Threshold Low";

// Clocks and taps
inline constexpr const char CLOCK_SPEED[] = "Clock Speed";
inline constexpr const char VIDEO_CLOCK_SPEED[] = "Video Clock Speed";
inline constexpr const char STILL_CLOCK_SPEED[] = "Still Clock Speed";
inline constexpr const char SPEED[] = "Speed";
inline constexpr const char TAP_CONFIGURATION[] = "Tap Configuration";
inline constexpr const char VIDEO_TAP_CONFIGURATION[] = "Video Tap Configuration";
inline constexpr const char STILL_TAP_CONFIGURATION[] = "Still Tap Configuration";
inline constexpr const char HARDWARE_TAP_CORRECTION[] = "Hardware Tap Correction";
inline constexpr const char SOFTWARE_TAP_CORRECTION[] = "Software Tap Correction";

// Triggers and strobes
inline constexpr const char TRIGGER_MODE[] = "Trigger Mode";
inline constexpr const char TRIGGER_PIN[] = "Trigger Pin";
inline constexpr const char TRIGGER_POLARITY[] = "Trigger Polarity";
inline constexpr const char HARDWARE_TRIGGER[] = "Hardware Trigger";
inline constexpr const char TIMEOUT[] = "Timeout";
inline constexpr const char STROBE[] = "Strobe";
inline constexpr const char STROBE_PIN[] = "Strobe Pin";
inline constexpr const char STROBE_POLARITY[] = "Strobe Polarity";
inline constexpr const char STROBE_FROM_START_EXPOSURE[] = "Strobe From Start Exposure";
inline constexpr const char STILL_STROBE_DELAY[] = "Still Strobe Delay";
inline constexpr const char STILL_STROBE_DURATION[] = "Still Strobe Duration";

// Optics
inline constexpr const char FOCUS[] = "Focus";
inline constexpr const char ABSOLUTE_FOCUS[] = "Absolute Focus";
inline constexpr const char FOCAL_LENGTH[] = "Focal Length";
inline constexpr const char IRIS[] = "Iris";
inline constexpr const char IRIS_LATENCY[] = "Iris Latency";
inline constexpr const char AUTO_IRIS_MAXIMUM[] = "Auto Iris Maximum";

} // namespace CameraInterface::PropertyNames
