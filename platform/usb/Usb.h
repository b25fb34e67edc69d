#pragma once

// Everything a USB function driver includes besides the kernel (platform/nt/Wdm.h): descriptors,
// USBD status codes, URBs, the bus's internal device-control codes and the USBD library.

#include "platform/usb/UsbDescriptors.h"
#include "platform/usb/UsbIoctl.h"
#include "platform/usb/UsbdLib.h"
#include "platform/usb/UsbdStatus.h"
#include "platform/usb/Usbdi.h"
