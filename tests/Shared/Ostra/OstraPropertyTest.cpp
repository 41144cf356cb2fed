
TEST_F(OstraProperties, DriverFailuresOfTheSmallKindsHaveTheirIdentifiers)
{
    struct Row
    {
        const char* operation;
        const char* name;
        const char* written;
        const char* who;
        const char* message;
    };
    const Row rows[] = {
        {"ostraSetPowerMode", "Power Mode", "Y-Cable", "PropertyUnknown", "Unknown property."},
        {"ostraGetPowerMode", "Power Mode", nullptr, "PropertyUnknown", "Unknown property."},
        {"ostraEnableHardwareTrigger", "Hardware Trigger", "Enabled", "PropertyWriteFailure",
         "Property value could not be written."},
        {"ostraSetFormat", "Pixel Format", "16", "PropertyWriteFailure", "Property value could not be written."},
        {"ostraSetFormat", "Framerate", "30.000000", "PropertyWriteFailure", "Property value could not be written."},
        {"ostraGetFormat", "Framerate", nullptr, "PropertyReadFailure", "Property value could not be read."},
        {"ostraPropertyRange", "Contrast", nullptr, "PropertyRangeReadFailure",
         "Property range information could not be read."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.operation);
        OstraEmulator::Fault fault;
        fault.operation = row.operation;
        fault.count = 10;
        ASSERT_TRUE(OstraEmulator::addFault(SERIAL, fault));
        if (row.written != nullptr)
        {
            expectRefusal([&] { property(row.name).setValue(row.written); }, row.who, row.message);
        }
        else
        {
            expectRefusal([&] { property(row.name).getMinimum() == property(row.name).getValue(); }, row.who,
                          row.message);
        }
        OstraEmulator::clearFaults();
    }
    EXPECT_EQ(property("Power Mode").getValue(), "USB");
    EXPECT_EQ(property("Hardware Trigger").getValue(), "Disabled");
}

TEST_F(OstraProperties, CameraFeaturesThatAreMissingLeaveTheirPropertiesOut)
{
    Json bare = camera(SERIAL);
    bare["format"] = {{"width", 64}, {"height", 48}};
    loadRig({bare});
    m_Camera = connected(SERIAL);
    for (const char* name : {"Hardware Trigger", "Power Mode", "Framerate", "Sampling Description", "Speed",
                             "Exposure", "Clock Speed", "FPGA2 Version", "AFE Timing Version", "Brightness"})
    {
        EXPECT_FALSE(m_Camera->isPropertySupported(name)) << name;
    }
    for (const char* name : {"Width", "Pixel Format", "Streaming Mode", "Firmware Version", "Timeout"})
    {
        EXPECT_TRUE(m_Camera->isPropertySupported(name)) << name;
    }
}
