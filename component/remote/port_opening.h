// Opening the link to the device: close what is open, look for the device,
// open its port and start the receiver afresh. The platform steps come
// through port_opening_io, so the order and the console lines are the same
// wherever they run.
#pragma once

#include <cstddef>

class port_opening_io {
public:
    // Closes the device's port; harmless when it is not open.
    virtual void close() = 0;
    // Looks for the device and prints the discovery line. Returns false when
    // none was found; otherwise writes its port name as console text, cut
    // to `size` bytes with the terminator.
    virtual bool find(char* name, std::size_t size) = 0;
    // Opens the port found for notification; 0 or the port's error status.
    virtual long open() = 0;

protected:
    ~port_opening_io() = default;
};

// Closes, looks for the device and opens its port, printing what happens.
// The receiver is set up for a new link whenever a device was found, also
// when its port would not open.
void open_port_using(port_opening_io& io);
