// The USB driver library: descriptor search with its bounds, interface matching, the
// select-configuration request it builds, and the URB size rules.

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "platform/nt/Kernel.h"
#include "platform/nt/KernelPool.h"
#include "platform/usb/Usb.h"

namespace {

// Configuration 1: interface 0 (class 0xFF) with bulk 0x81/0x01, then interface 1 alternate 1
// (class 0x0A) with isochronous 0x83.
std::vector<UCHAR> twoInterfaces() {
  return {9,    2,    9 + 9 + 7 + 7 + 9 + 7,
          0,    2,    1,
          0,    0x80, 50,
          9,    4,    0,
          0,    2,    0xFF,
          0,    0,    0,
          7,    5,    0x81,
          2,    64,   0,
          0,    7,    5,
          0x01, 2,    64,
          0,    0,    9,
          4,    1,    1,
          1,    0x0A, 2,
          3,    0,    7,
          5,    0x83, 1,
          128,  0,    1};
}

PUSB_CONFIGURATION_DESCRIPTOR asConfig(std::vector<UCHAR>& bytes) {
  return reinterpret_cast<PUSB_CONFIGURATION_DESCRIPTOR>(bytes.data());
}

TEST(UsbdParse, FindsDescriptorsInOrderFromAStartPosition) {
  std::vector<UCHAR> bytes = twoInterfaces();
  PVOID base = bytes.data();
  auto first = USBD_ParseDescriptors(base, static_cast<ULONG>(bytes.size()), base, USB_ENDPOINT_DESCRIPTOR_TYPE);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(reinterpret_cast<PUSB_ENDPOINT_DESCRIPTOR>(first)->bEndpointAddress, 0x81);
  auto second = USBD_ParseDescriptors(base, static_cast<ULONG>(bytes.size()),
                                      reinterpret_cast<PUCHAR>(first) + first->bLength, USB_ENDPOINT_DESCRIPTOR_TYPE);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(reinterpret_cast<PUSB_ENDPOINT_DESCRIPTOR>(second)->bEndpointAddress, 0x01);
  EXPECT_EQ(USBD_ParseDescriptors(base, static_cast<ULONG>(bytes.size()), base, USB_STRING_DESCRIPTOR_TYPE), nullptr);
}

TEST(UsbdParse, StopsAtTheBufferEndAndAtAZeroLength) {
  std::vector<UCHAR> bytes = twoInterfaces();
  // Cut inside the last endpoint: it must not be returned.
  auto cut = static_cast<ULONG>(bytes.size() - 3);
  PVOID base = bytes.data();
  PUCHAR lastInterface = bytes.data() + 9 + 9 + 7 + 7;
  EXPECT_EQ(USBD_ParseDescriptors(base, cut, lastInterface, USB_ENDPOINT_DESCRIPTOR_TYPE), nullptr);
  // A zero bLength ends the search instead of looping on it.
  bytes[9 + 9] = 0;
  EXPECT_EQ(USBD_ParseDescriptors(base, static_cast<ULONG>(bytes.size()), base, USB_ENDPOINT_DESCRIPTOR_TYPE), nullptr);
  // A start position outside the buffer finds nothing.
  EXPECT_EQ(USBD_ParseDescriptors(base, 9, bytes.data() + 20, USB_INTERFACE_DESCRIPTOR_TYPE), nullptr);
}

TEST(UsbdParse, MatchesInterfacesOnEveryCriterionGiven) {
  std::vector<UCHAR> bytes = twoInterfaces();
  PUSB_CONFIGURATION_DESCRIPTOR cd = asConfig(bytes);
  PUSB_INTERFACE_DESCRIPTOR any = USBD_ParseConfigurationDescriptorEx(cd, cd, -1, -1, -1, -1, -1);
  ASSERT_NE(any, nullptr);
  EXPECT_EQ(any->bInterfaceNumber, 0);
  PUSB_INTERFACE_DESCRIPTOR second = USBD_ParseConfigurationDescriptorEx(cd, cd, 1, 1, 0x0A, 2, 3);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->bNumEndpoints, 1);
  EXPECT_EQ(USBD_ParseConfigurationDescriptorEx(cd, cd, 1, 0, -1, -1, -1), nullptr);
  EXPECT_EQ(USBD_ParseConfigurationDescriptorEx(cd, cd, -1, -1, 0x03, -1, -1), nullptr);
  // Searching from behind the first finds the second.
  EXPECT_EQ(USBD_ParseConfigurationDescriptorEx(cd, reinterpret_cast<PUCHAR>(any) + any->bLength, -1, -1, -1, -1, -1),
            second);
}

TEST(UsbdConfigurationRequest, IsSizedAndFilledForEachInterface) {
  nt::Kernel kernel(nt::KernelOptions{false});
  nt::KernelScope scope(&kernel);
  std::vector<UCHAR> bytes = twoInterfaces();
  PUSB_CONFIGURATION_DESCRIPTOR cd = asConfig(bytes);
  USBD_INTERFACE_LIST_ENTRY list[3] = {{USBD_ParseConfigurationDescriptorEx(cd, cd, 0, 0, -1, -1, -1), nullptr},
                                       {USBD_ParseConfigurationDescriptorEx(cd, cd, 1, 1, -1, -1, -1), nullptr},
                                       {nullptr, nullptr}};
  PURB urb = USBD_CreateConfigurationRequestEx(cd, list);
  ASSERT_NE(urb, nullptr);
  EXPECT_EQ(urb->UrbHeader.Function, URB_FUNCTION_SELECT_CONFIGURATION);
  EXPECT_EQ(urb->UrbHeader.Length, GET_SELECT_CONFIGURATION_REQUEST_SIZE(2, 3));
  EXPECT_EQ(urb->UrbSelectConfiguration.ConfigurationDescriptor, cd);
  ASSERT_EQ(list[0].Interface, &urb->UrbSelectConfiguration.Interface);
  EXPECT_EQ(list[0].Interface->NumberOfPipes, 2u);
  EXPECT_EQ(list[0].Interface->Length, GET_USBD_INTERFACE_SIZE(2));
  EXPECT_EQ(list[0].Interface->Pipes[1].MaximumTransferSize, USBD_DEFAULT_MAXIMUM_TRANSFER_SIZE);
  ASSERT_EQ(reinterpret_cast<PUCHAR>(list[1].Interface),
            reinterpret_cast<PUCHAR>(list[0].Interface) + GET_USBD_INTERFACE_SIZE(2));
  EXPECT_EQ(list[1].Interface->InterfaceNumber, 1);
  EXPECT_EQ(list[1].Interface->AlternateSetting, 1);
  EXPECT_EQ(list[1].Interface->NumberOfPipes, 1u);
  EXPECT_EQ(kernel.pool().usage(nt::kUntaggedPoolTag).liveBlocks, 1u);
  ExFreePool(urb);
  EXPECT_EQ(kernel.pool().usage(nt::kUntaggedPoolTag).liveBlocks, 0u);
  // Out of memory: no request.
  kernel.pool().failNth(1);
  EXPECT_EQ(USBD_CreateConfigurationRequestEx(cd, list), nullptr);
  EXPECT_TRUE(kernel.verifier().clean()) << kernel.verifier().report();
}

TEST(UrbLayout, SizesAndBuildersFollowThePlatform) {
  EXPECT_EQ(GET_ISO_URB_SIZE(1), sizeof(struct _URB_ISOCH_TRANSFER));
  EXPECT_EQ(GET_ISO_URB_SIZE(20), sizeof(struct _URB_ISOCH_TRANSFER) + 19 * sizeof(USBD_ISO_PACKET_DESCRIPTOR));
  EXPECT_EQ(GET_SELECT_CONFIGURATION_REQUEST_SIZE(1, 6),
            sizeof(struct _URB_SELECT_CONFIGURATION) + 5 * sizeof(USBD_PIPE_INFORMATION));
  // The length fields of descriptor and vendor requests share their place (the bus relies on it).
  EXPECT_EQ(offsetof(struct _URB_CONTROL_DESCRIPTOR_REQUEST, TransferBufferLength),
            offsetof(struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST, TransferBufferLength));

  URB urb;
  UCHAR buffer[18];
  UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST), USB_DEVICE_DESCRIPTOR_TYPE, 0,
                               0x0409, buffer, nullptr, sizeof buffer, nullptr);
  EXPECT_EQ(urb.UrbHeader.Function, URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE);
  EXPECT_EQ(urb.UrbControlDescriptorRequest.DescriptorType, USB_DEVICE_DESCRIPTOR_TYPE);
  EXPECT_EQ(urb.UrbControlDescriptorRequest.LanguageId, 0x0409);
  EXPECT_EQ(urb.UrbControlDescriptorRequest.TransferBufferLength, 18u);
  UsbBuildVendorRequest(&urb, URB_FUNCTION_VENDOR_ENDPOINT, sizeof(struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST),
                        USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK, 0, 4, 0, 0, nullptr, nullptr, 0, nullptr);
  EXPECT_EQ(urb.UrbHeader.Function, URB_FUNCTION_VENDOR_ENDPOINT);
  EXPECT_EQ(urb.UrbControlVendorClassRequest.Request, 4);
  EXPECT_EQ(urb.UrbControlVendorClassRequest.TransferFlags, USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK);
  UsbBuildFeatureRequest(&urb, URB_FUNCTION_CLEAR_FEATURE_TO_ENDPOINT, USB_FEATURE_ENDPOINT_STALL, 3, nullptr);
  EXPECT_EQ(urb.UrbHeader.Length, sizeof(struct _URB_CONTROL_FEATURE_REQUEST));
  EXPECT_EQ(urb.UrbControlFeatureRequest.Index, 3);
  EXPECT_TRUE(USBD_HALTED(USBD_STATUS_STALL_PID));
  EXPECT_FALSE(USBD_HALTED(USBD_STATUS_INVALID_PARAMETER));
  EXPECT_TRUE(USBD_PENDING(USBD_STATUS_PENDING));
}

}  // namespace
