// Message table: the device console's general help, each command's short help (one line) and
// long help, and the summaries the commands print. Read through FormatMessageA; %1 is the base
// name the console was started under, where a text shows a command line.

#include <span>

#include "resources/data/StringTable.h"

std::span<const StringEntry> ConsoleHelpMessageTable() {
  static const StringEntry kMessages[] = {
      // General help, then one line per command.
      {60100,
       "Device console: lists, finds, enables, disables, restarts, removes, installs and updates devices\r\n"
       "and driver packages.\r\n"
       "%1 [-m:\\\\<machine>] <command> [<arguments>...]\r\n"
       "Commands:\r\n"},
      {60101, "help                 Shows this list, or the help of one command.\r\n"},
      {60201, "classes              Lists every setup class.\r\n"},
      {60301, "listclass            Lists the devices of setup classes.\r\n"},
      {60401, "find                 Finds present devices.\r\n"},
      {60407, "findall              Finds devices, present or not.\r\n"},
      {60409, "status               Shows the status of devices.\r\n"},
      {60411, "driverfiles          Shows the driver files of devices.\r\n"},
      {60413, "resources            Shows the resources of devices.\r\n"},
      {60415, "hwids                Shows the hardware ids of devices.\r\n"},
      {60417, "stack                Shows the driver stack of devices.\r\n"},
      {60501, "enable               Enables devices.\r\n"},
      {60601, "disable              Disables devices.\r\n"},
      {60701, "restart              Restarts devices.\r\n"},
      {60801, "reboot               Restarts the computer.\r\n"},
      {61001, "install              Creates a device and installs its driver.\r\n"},
      {61101, "update               Updates the driver of devices.\r\n"},
      {61105, "updateni             Updates the driver of devices without asking.\r\n"},
      {61108, "dp_add               Adds a driver package to the driver store.\r\n"},
      {61110, "dp_delete            Deletes a driver package from the driver store.\r\n"},
      {61112, "dp_enum              Lists the driver packages of the driver store.\r\n"},
      {61201, "remove               Removes devices.\r\n"},
      {61301, "rescan               Scans for new hardware.\r\n"},
      {61401, "drivernodes          Shows the driver nodes of devices.\r\n"},
      {61501, "classfilter          Changes the filter drivers of a setup class.\r\n"},
      {61601, "sethwid              Changes the hardware ids of root-enumerated devices.\r\n"},

      // Long help.
      {60200, "%1 classes\r\nLists every setup class of the machine: its name and its description.\r\n"},
      {60300,
       "%1 listclass <class> [<class>...]\r\nFor each setup class named: its GUID and the devices of the class, one\r\n"
       "line each.\r\n"},
      {60400,
       "%1 find <id> [<id>...]\r\n%1 find =<class> [<id>...]\r\nFinds the present devices whose hardware or compatible ids "
       "match.\r\n<id>: an id with \"*\" as a wildcard; \"@\" before it matches instance ids; \"'\" after\r\n"
       "that takes it literally.\r\n"},
      {60406, "%1 findall <id> [<id>...]\r\n%1 findall =<class> [<id>...]\r\nAs find, devices that are not present too.\r\n"},
      {60408, "%1 status <id> [<id>...]\r\n%1 status =<class> [<id>...]\r\nShows the status of matching devices.\r\n"},
      {60410,
       "%1 driverfiles <id> [<id>...]\r\n%1 driverfiles =<class> [<id>...]\r\nShows the files of the driver of matching "
       "devices.\r\n"},
      {60412,
       "%1 resources <id> [<id>...]\r\n%1 resources =<class> [<id>...]\r\nShows the resources matching devices use or "
       "have reserved.\r\n"},
      {60414,
       "%1 hwids <id> [<id>...]\r\n%1 hwids =<class> [<id>...]\r\nShows the hardware and compatible ids of matching "
       "devices.\r\n"},
      {60416,
       "%1 stack <id> [<id>...]\r\n%1 stack =<class> [<id>...]\r\nShows the filter drivers and the service of matching "
       "devices.\r\n"},
      {60500,
       "%1 enable <id> [<id>...]\r\n%1 enable =<class> [<id>...]\r\nEnables matching present devices. Local machine "
       "only.\r\n"},
      {60600,
       "%1 disable <id> [<id>...]\r\n%1 disable =<class> [<id>...]\r\nDisables matching present devices. Local machine "
       "only.\r\n"},
      {60700,
       "%1 restart <id> [<id>...]\r\n%1 restart =<class> [<id>...]\r\nStops and starts matching present devices. Local "
       "machine only.\r\n"},
      {60800, "%1 reboot\r\nRestarts the computer. Local machine only.\r\n"},
      {61000,
       "%1 install <inf> <hwid>\r\nCreates a root-enumerated device of the INF's setup class with the hardware id\r\n"
       "and installs the INF's driver for it. Local machine only.\r\n"},
      {61100,
       "%1 update <inf> <hwid>\r\nInstalls the INF's driver for every present device with the hardware id. Local\r\n"
       "machine only.\r\n"},
      {61104, "%1 updateni <inf> <hwid>\r\nAs update, in non-interactive mode. Local machine only.\r\n"},
      {61107, "%1 dp_add <inf>\r\nAdds the INF to the driver store. Local machine only.\r\n"},
      {61109,
       "%1 [-f] dp_delete <oem#.inf>\r\nDeletes a driver package of the store by its stored name. -f deletes it\r\n"
       "even when a device uses it. Local machine only.\r\n"},
      {61111, "%1 dp_enum\r\nLists the driver packages of the driver store. Local machine only.\r\n"},
      {61200,
       "%1 remove <id> [<id>...]\r\n%1 remove =<class> [<id>...]\r\nRemoves matching devices. Local machine only.\r\n"},
      {61300, "%1 rescan\r\nScans for new hardware.\r\n"},
      {61400,
       "%1 drivernodes <id> [<id>...]\r\n%1 drivernodes =<class> [<id>...]\r\nShows the driver nodes of matching "
       "devices.\r\n"},
      {61500, "%1 classfilter <class> upper|lower <changes>\r\nChanges the filter drivers of a setup class.\r\n"},
      {61600,
       "%1 sethwid <id> [<id>...] := <edit> [<edit>...]\r\nChanges the hardware ids of matching devices. <edit>: =ID "
       "starts a\r\nnew list, +ID or ID adds ID at the end, -ID removes ID.\r\n"},

      // Summaries.
      {60202, "%1!u! setup class(es) listed.\r\n"},
      {60203, "There are no setup classes.\r\n"},
      {60302, "Class %1 (%2):\r\n"},
      {60303, "There is no setup class \"%1\".\r\n"},
      {60304, "No devices of class %1.\r\n"},
      {60305, "%1!u! device(s) of class %2.\r\n"},
      {60402, "The search for present devices is done.\r\n"},
      {60403, "The search for devices is done.\r\n"},
      {60418, "The status listing is done.\r\n"},
      {60419, "The driver file listing is done.\r\n"},
      {60420, "The resource listing is done.\r\n"},
      {60421, "The hardware id listing is done.\r\n"},
      {60422, "The driver stack listing is done.\r\n"},
      {61402, "The driver node listing is done.\r\n"},
      {60502, "No devices were enabled.\r\n"},
      {60503, "%1!u! device(s) enabled.\r\n"},
      {60504, "%1!u! device(s) enabled; a restart is needed to finish.\r\n"},
      {60602, "No devices were disabled.\r\n"},
      {60603, "%1!u! device(s) disabled.\r\n"},
      {60604, "%1!u! device(s) disabled; a restart is needed to finish.\r\n"},
      {60702, "No devices were restarted.\r\n"},
      {60703, "%1!u! device(s) restarted.\r\n"},
      {60704, "%1!u! device(s) restarted; a restart of the computer is needed to finish.\r\n"},
      {60802, "Restarting the computer.\r\n"},
      {60803, "The computer cannot be restarted.\r\n"},
      {61002, "The device was created and its driver installed.\r\n"},
      {61003, "The device was created and its driver installed; a restart is needed to finish.\r\n"},
      {61102, "Updating the driver for %1 from %2.\r\n"},
      {61103, "The driver was installed.\r\n"},
      {61106, "The driver was installed; a restart is needed to finish.\r\n"},
      {61113, "Driver package \"%1\" added.\r\n"},
      {61114, "Driver package \"%1\" deleted.\r\n"},
      {61115, "Driver package \"%1\" cannot be deleted.\r\n"},
      {61116, "The driver store holds these packages:\r\n"},
      {61117, "The driver store holds no packages.\r\n"},
      {61302, "Scanning for new hardware.\r\n"},
      {61303, "The scan is done.\r\n"},
      {61602, "%1!u! device(s) changed.\r\n"},
      {61603, "No devices were changed.\r\n"},
  };
  return kMessages;
}
