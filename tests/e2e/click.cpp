// A left click at a point of a wlroots compositor's layout, through a virtual pointer
// (headless sway has no pointer of its own). Usage: e2e_click X Y WIDTH HEIGHT
#include "virtual-pointer-client-protocol.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <wayland-client.h>

namespace {

zwlr_virtual_pointer_manager_v1* g_manager = nullptr;
wl_seat* g_seat = nullptr;

void onGlobal(void*, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        g_manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g_seat)
        g_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
}
void onGlobalRemove(void*, wl_registry*, std::uint32_t) { }
const wl_registry_listener kListener = { onGlobal, onGlobalRemove };

constexpr std::uint32_t kLeftButton = 0x110; // BTN_LEFT

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    const auto x = static_cast<std::uint32_t>(std::atoi(argv[1]));
    const auto y = static_cast<std::uint32_t>(std::atoi(argv[2]));
    const auto width = static_cast<std::uint32_t>(std::atoi(argv[3]));
    const auto height = static_cast<std::uint32_t>(std::atoi(argv[4]));
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &kListener, nullptr);
    wl_display_roundtrip(display);
    if (!g_manager) {
        std::fprintf(stderr, "no virtual pointer protocol\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g_manager, g_seat);
    std::uint32_t time = 1;
    const auto step = [&](auto&& request) {
        request();
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
        usleep(150 * 1000); // the client under the pointer takes each step in turn
    };
    step([&] { zwlr_virtual_pointer_v1_motion_absolute(pointer, time++, x, y, width, height); });
    step([&] { zwlr_virtual_pointer_v1_button(pointer, time++, kLeftButton, 1); });
    step([&] { zwlr_virtual_pointer_v1_button(pointer, time++, kLeftButton, 0); });
    wl_display_disconnect(display);
    return 0;
}
