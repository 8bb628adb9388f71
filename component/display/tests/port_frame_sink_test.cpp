// Frames through the component's real serial port object, under Wine, on a
// pty-backed cable whose far end plays the device.
#include <gtest/gtest.h>

#include <string>

#include "component/display/frame_sink.h"
#include "component/display/frames.h"
#include "component/display/now_playing.h"
#include "component/display/tests/fake_player.h"
#include "component/display/tests/frame_recorder.h"
#include "component/remote/device_port.h"
#include "sdk/testing/fake_host.h"
#include "serial/tests/serial_test_support.h"

namespace {

bytes as_bytes(const std::string& text) { return bytes(text.begin(), text.end()); }

class port_frames : public ::testing::Test {
protected:
    void SetUp() override {
        serial_test::reset_product_end();
        ASSERT_TRUE(device.is_open());
        device.purge();
    }
    void TearDown() override { device_port().ClosePort(); }

    void open_port() {
        ASSERT_EQ(device_port().OpenForWindow(serial_test::cable().product.c_str(), window.hwnd(), WM_USER), 0);
    }

    serial_test::Watchdog watchdog{"port frame test", 60000};
    serial_test::MessageSink window;
    serial_test::DeviceEnd device;
};

TEST_F(port_frames, FramesAreWrittenWholeToTheDevicePort) {
    open_port();
    send_frame(build_time_frame(13.2));
    send_frame(build_track_frame({3600, 1, 44, "Album", "Title"}));
    send_frame(build_quit_frame());

    const bytes got = as_bytes(device.read_exactly(5 + 135 + 3));
    ASSERT_EQ(got.size(), 143u);
    EXPECT_EQ(bytes(got.begin(), got.begin() + 5), (bytes{0x2B, 0x02, 0x00, 0x0D, 0x0D}));
    const decoded_track_frame f = decode_track_frame(bytes(got.begin() + 5, got.begin() + 140));
    EXPECT_EQ(f.header, (bytes{0x2B, 0x01, 0x0D}));
    EXPECT_EQ(bytes(f.payload.begin(), f.payload.begin() + 4), (bytes{0x0E, 0x10, 1, 44}));
    EXPECT_EQ(decoded_track_frame::text(f.title()), "Title");
    EXPECT_EQ(bytes(got.begin() + 140, got.end()), (bytes{0x2B, 0x00, 0x0D}));
}

TEST_F(port_frames, ClosedPortSendsNothingAndReportsNothing) {
    send_frame(build_time_frame(1.0));
    send_frame(build_track_frame({1, 1, 1, "a", "b"}));
    send_frame(build_quit_frame());
    EXPECT_EQ(device_port().LastStatus(), 6);
    Sleep(200);
    EXPECT_TRUE(device.read_available().empty());

    open_port();
    send_frame(build_quit_frame());
    EXPECT_EQ(device.read_exactly(3), std::string("\x2B\x00\x0D", 3));
}

TEST_F(port_frames, NewTrackReachesTheDeviceAsTimeThenTrackFrame) {
    fake_host host;
    service_impl_single_t<fake_playback_control> control;
    service_impl_single_t<fake_playlist_manager> playlists;
    service_impl_single_t<fake_callback_queue> callbacks;
    host.set_service(&control);
    host.set_service(&playlists);
    host.set_service(&callbacks);
    playlists.index = 1;
    playlists.item_count = 2;
    control.playing = make_track("file://C:\\Music\\\xD0\x90\\b.mp3");
    open_port();

    playback_display.on_playback_new_track(control.playing);
    EXPECT_EQ(device.read_exactly(5), std::string("\x2B\x02\x00\x00\x0D", 5));
    Sleep(100);
    EXPECT_TRUE(device.read_available().empty());

    callbacks.run_all();
    const decoded_track_frame f = decode_track_frame(as_bytes(device.read_exactly(135)));
    EXPECT_EQ(f.payload[2], 2);
    EXPECT_EQ(f.payload[3], 2);
    EXPECT_EQ(decoded_track_frame::text(f.album()), "\xC0");
    EXPECT_EQ(decoded_track_frame::text(f.title()), "b");
}

}  // namespace
