
TEST_F(OstraStreams, StoppingWakesAThreadWaitingInGetImage)
{
    setMode("Still");
    m_Camera->getProperty("Hardware Trigger").setValue("Enabled"); // no trigger input: stills never come
    m_Camera->startStream();
    std::string who;
    std::thread waiter(
        [&]
        {
            try
            {
                m_Camera->getImage();
            }
            catch (const VxAppsExceptions::VxAppsException& e)
            {
                who = e.who();
            }
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    m_Camera->stopStream();
    waiter.join();
    EXPECT_EQ(who, "StreamNotRunning");
}
