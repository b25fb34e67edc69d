#pragma once

// Forward declarations of the I/O manager's records and the routine types that drivers provide,
// so that each record's header can name the others.

#include "platform/nt/BaseTypes.h"
#include "platform/nt/UnicodeString.h"

typedef struct _IRP IRP, *PIRP;
typedef struct _IO_STACK_LOCATION IO_STACK_LOCATION, *PIO_STACK_LOCATION;
typedef struct _DEVICE_OBJECT DEVICE_OBJECT, *PDEVICE_OBJECT;
typedef struct _DRIVER_OBJECT DRIVER_OBJECT, *PDRIVER_OBJECT;
typedef struct _FILE_OBJECT FILE_OBJECT, *PFILE_OBJECT;
typedef struct _MDL MDL, *PMDL;
typedef struct _KEVENT KEVENT, *PKEVENT;
typedef struct _IO_WORKITEM IO_WORKITEM, *PIO_WORKITEM;
typedef struct _ETHREAD* PETHREAD;
typedef struct _DEVOBJ_EXTENSION DEVOBJ_EXTENSION, *PDEVOBJ_EXTENSION;

typedef NTSTATUS DRIVER_INITIALIZE(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath);
typedef DRIVER_INITIALIZE* PDRIVER_INITIALIZE;
typedef NTSTATUS DRIVER_ADD_DEVICE(PDRIVER_OBJECT driverObject, PDEVICE_OBJECT physicalDeviceObject);
typedef DRIVER_ADD_DEVICE* PDRIVER_ADD_DEVICE;
typedef VOID DRIVER_UNLOAD(PDRIVER_OBJECT driverObject);
typedef DRIVER_UNLOAD* PDRIVER_UNLOAD;
typedef NTSTATUS DRIVER_DISPATCH(PDEVICE_OBJECT deviceObject, PIRP irp);
typedef DRIVER_DISPATCH* PDRIVER_DISPATCH;
typedef VOID DRIVER_STARTIO(PDEVICE_OBJECT deviceObject, PIRP irp);
typedef DRIVER_STARTIO* PDRIVER_STARTIO;
typedef VOID DRIVER_CANCEL(PDEVICE_OBJECT deviceObject, PIRP irp);
typedef DRIVER_CANCEL* PDRIVER_CANCEL;
typedef NTSTATUS IO_COMPLETION_ROUTINE(PDEVICE_OBJECT deviceObject, PIRP irp, PVOID context);
typedef IO_COMPLETION_ROUTINE* PIO_COMPLETION_ROUTINE;
typedef VOID IO_WORKITEM_ROUTINE(PDEVICE_OBJECT deviceObject, PVOID context);
typedef IO_WORKITEM_ROUTINE* PIO_WORKITEM_ROUTINE;

typedef CCHAR KPROCESSOR_MODE;
constexpr KPROCESSOR_MODE KernelMode = 0;
constexpr KPROCESSOR_MODE UserMode = 1;
