/* A usb.so that has neither of the library's functions. */
int usbVersion(void) { return 1; }
