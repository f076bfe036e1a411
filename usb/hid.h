// The two functions of the USB access library, as the console calls them. Each library
// (fake/, sim/) defines them and exports nothing else but its own controls.
#pragma once

#define USB_EXPORT extern "C" __attribute__((visibility("default")))

// Writes one frame to the device; returns the number of bytes written.
USB_EXPORT int hidWriteData(int device, int count, unsigned char* buffer);
// Places at most size bytes of one reply at the start of buffer, or leaves it untouched when
// there is none; returns the number of bytes placed.
USB_EXPORT int hidReadData(int device, int size, unsigned char* buffer);
