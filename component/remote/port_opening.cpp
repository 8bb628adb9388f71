#include "component/remote/port_opening.h"

#include "component/remote/receiver.h"
#include "sdk/console.h"

void open_port_using(port_opening_io& io) {
    io.close();
    char name[64];
    if (!io.find(name, sizeof name)) return;

    console::printf("foo_tavix: opening port %s", name);
    const long status = io.open();
    if (status != 0) console::errorf("foo_tavix: can't open port %s", name);
    reset_receiver_for_new_link();
    if (status == 0) console::printf("foo_tavix: %s opened successfully", name);
}
