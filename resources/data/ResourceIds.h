#pragma once

// Every resource, command, pane, string and control id of the program, each named once. The
// resource files and the code both name ids from here, so a number is written in one place.
//
// Control ids belong to a dialog: the same number may name different controls in different
// dialogs, so the controls are grouped by template. Within one group no two names share a number.
// Ids the dialog manager gives a meaning of its own (static, OK, Cancel) are in DialogTemplate.h.

// ---- menu, tool bar, accelerators and icon of the main window ---------------------------------
constexpr int IDR_MAINFRAME = 128;

// ---- icon, bitmap and cursors -------------------------------------------------------------------
constexpr int IDI_PROGRAM = 129;  // the main window's icon, also in the About box
constexpr int IDB_SPLASH = 151;   // magenta where it is transparent
constexpr int IDC_HAND_CURSOR = 192;
constexpr int IDC_CROSS_HAIR_CURSOR = 195;

// ---- dialog templates --------------------------------------------------------------------------
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_PARSER_FORM = 101;
constexpr int IDD_CONTROL_PANEL = 130;
constexpr int IDD_CONFIGURE = 142;
constexpr int IDD_DIAL = 144;
constexpr int IDD_DEVELOP = 145;
constexpr int IDD_SPLASH = 152;
constexpr int IDD_CAPTURE_STATUS = 162;
constexpr int IDD_CLOCK_ENTRY = 164;
constexpr int IDD_SIGNAL_TRACE_FORM = 167;
constexpr int IDD_SESSION_RECALL = 170;
constexpr int IDD_FIND = 171;
constexpr int IDD_LINE_TEST = 173;
constexpr int IDD_TRACE_RECALL = 174;
constexpr int IDD_DOWNLOAD_STATUS = 178;
constexpr int IDD_DTMF_DECODER = 189;
constexpr int IDD_TRACE_CONTROL = 193;
constexpr int IDD_USB_LIST = 196;

// ---- commands (menu 128, tool bar, accelerators; each one's prompt is the string of its id) ----
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_AS = 57604;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_PREVIEW = 57609;
constexpr int ID_FILE_MRU_FILE1 = 57616;  // the recent files: ID_FILE_MRU_FILE1 .. + 3
constexpr int ID_FILE_MRU_FILE2 = 57617;
constexpr int ID_FILE_MRU_FILE3 = 57618;
constexpr int ID_FILE_MRU_FILE4 = 57619;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_FILE_CLOSE_DATA = 32811;  // closes the capture and the trace
constexpr int ID_EXPORT_TEXT = 32799;
constexpr int ID_SET_AUTOSAVE_FOLDER = 32801;
constexpr int ID_NEW_CAPTURE_CONCATENATE = 32798;
constexpr int ID_NEW_CAPTURE_OVERWRITE = 32797;
constexpr int ID_NEW_CAPTURE_AUTOSAVE = 32790;
constexpr int ID_SELECT_ANSWER_COLOR = 32778;
constexpr int ID_SELECT_ORIGINATE_COLOR = 32779;
constexpr int ID_DEFAULT_ANSWER_COLOR = 32781;
constexpr int ID_DEFAULT_ORIGINATE_COLOR = 32782;
constexpr int ID_DEFAULT_ALL_COLORS = 32783;
constexpr int ID_SELECT_MARKER_COLOR = 32794;
constexpr int ID_DEFAULT_MARKER_COLOR = 32795;
constexpr int ID_SET_CLOCK_TO_PC_TIME = 32788;  // no menu item: a WM_COMMAND only
constexpr int ID_ENTER_DEVICE_CLOCK = 32806;    // no menu item: a WM_COMMAND only
constexpr int ID_DEVELOPMENT = 32774;           // Ctrl+Shift+D
constexpr int ID_EDIT_FIND = 32802;             // the control panel's, Ctrl+F
constexpr int ID_LOAD_APPLICATION = 32808;
constexpr int ID_USB_LIST = 32812;  // Ctrl+Shift+U

// ---- main-frame windows --------------------------------------------------------------------------
constexpr int AFX_IDW_TOOLBAR = 59392;
constexpr int AFX_IDW_PANE_FIRST = 59648;

// ---- status panes (each one's string sizes it), in pane order ----------------------------------
constexpr int ID_PANE_ANSWER = 59003;
constexpr int ID_PANE_ORIGINATE = 59004;
constexpr int ID_PANE_MARKER = 59005;
constexpr int ID_PANE_CAPTURE_BUFFER = 59002;
constexpr int ID_PANE_CONNECTION = 59000;
constexpr int ID_PANE_LINE_STATUS = 59001;
constexpr int ID_PANE_MODE = 59009;
constexpr int ID_PANE_VOLUME = 59006;

// ---- strings -----------------------------------------------------------------------------------
constexpr int IDP_SOCKETS_INIT_FAILED = 104;

// Calibration prompts, per line and step.
constexpr int IDS_CAL_LINE1_DC_OFFSET = 200;
constexpr int IDS_CAL_LINE1_DC_GAIN1 = 202;
constexpr int IDS_CAL_LINE1_DC_GAIN2 = 203;
constexpr int IDS_CAL_LINE2_DC_OFFSET = 204;
constexpr int IDS_CAL_LINE2_DC_GAIN1 = 205;
constexpr int IDS_CAL_LINE2_DC_GAIN2 = 206;
constexpr int IDS_CAL_LINE3_DC_OFFSET = 207;
constexpr int IDS_CAL_LINE3_DC_GAIN1 = 208;
constexpr int IDS_CAL_LINE3_DC_GAIN2 = 209;
constexpr int IDS_CAL_LINE1_AC_OFFSET = 210;
constexpr int IDS_CAL_LINE1_AC_GAIN = 211;
constexpr int IDS_CAL_LINE2_AC_OFFSET = 212;
constexpr int IDS_CAL_LINE2_AC_GAIN = 213;
constexpr int IDS_CAL_LINE3_AC_OFFSET = 214;
constexpr int IDS_CAL_LINE3_AC_GAIN = 215;
constexpr int IDS_CAL_INVALID = 216;

// Why a capture ended: the string of end code c is IDS_CAPTURE_END_NONE + c.
constexpr int IDS_CAPTURE_END_NONE = 800;
constexpr int IDS_CAPTURE_ABORTED = 801;
constexpr int IDS_MODEM_INIT_ERROR = 802;
constexpr int IDS_ATA_MODEM_ERROR = 803;
constexpr int IDS_ATD_MODEM_ERROR = 804;
constexpr int IDS_TRIGGER_STRING_ERROR = 805;
constexpr int IDS_H1_COMMAND_ERROR = 806;
constexpr int IDS_MODEM_TIMEOUT = 807;
constexpr int IDS_DCD_ERROR = 808;
constexpr int IDS_SESSION_COMPLETE = 809;
constexpr int IDS_VACANT_LINE = 810;
constexpr int IDS_BUSY_LINE = 811;
constexpr int IDS_ATA_DCD_TIMEOUT = 812;
constexpr int IDS_ATD_DCD_TIMEOUT = 813;
constexpr int IDS_SPEED_MISMATCH = 814;
constexpr int IDS_NO_ANSWER = 815;

// Descriptions of the worker's messages (string id = message number - 1024), shown nowhere.
constexpr int IDS_MSG_SET_CONFIG = 1001;
constexpr int IDS_MSG_GET_CONFIG = 1002;
constexpr int IDS_MSG_SET_TRIGGER_STRING = 1003;
constexpr int IDS_MSG_GET_SESSION_HEADER = 1008;
constexpr int IDS_MSG_START_CAPTURE = 1009;
constexpr int IDS_MSG_GET_CAPTURE_DATA = 1010;
constexpr int IDS_MSG_ABORT_CAPTURE = 1014;
constexpr int IDS_MSG_SET_NOTIFY_WINDOW = 1015;
constexpr int IDS_MSG_SET_DEVELOP_WINDOW = 1016;
constexpr int IDS_MSG_CALIBRATE_LINE = 1017;
constexpr int IDS_MSG_SET_CAL_FACTORS = 1020;
constexpr int IDS_MSG_GET_CAL_FACTORS = 1021;
constexpr int IDS_MSG_STORE_CAL_FACTORS = 1023;
constexpr int IDS_MSG_SET_CLOCK_FROM_PC = 1024;
constexpr int IDS_MSG_START_SIGNAL_TRACE = 1025;
constexpr int IDS_MSG_STOP_SIGNAL_TRACE = 1026;
constexpr int IDS_MSG_START_LINE_TEST = 1028;
constexpr int IDS_MSG_STOP_LINE_TEST = 1029;
constexpr int IDS_MSG_START_DTMF_DECODER = 1031;
constexpr int IDS_MSG_STOP_DTMF_DECODER = 1032;
constexpr int IDS_MSG_DOWNLOAD_FIRMWARE = 1034;
constexpr int IDS_MSG_ABORT_DOWNLOAD = 1035;
constexpr int IDS_MSG_SHOW_ABOUT = 1037;
constexpr int IDS_MSG_SET_CLOCK = 1038;
constexpr int IDS_MSG_GET_TRACE_HEADER = 1041;
constexpr int IDS_MSG_RECALL_TRACE = 1042;
constexpr int IDS_MSG_START_TRIGGERED_TRACE = 1044;
constexpr int IDS_MSG_STOP_TRIGGERED_TRACE = 1045;
constexpr int IDS_MSG_DEVICE_CONNECTED = 1047;
constexpr int IDS_MSG_DEVICE_DISCONNECTED = 1048;
constexpr int IDS_MSG_TERMINATE = 2000;

// Status words of the device console: done, done on reboot, failed per state change.
constexpr int IDS_ENABLED = 3000;
constexpr int IDS_ENABLED_ON_REBOOT = 3001;
constexpr int IDS_ENABLE_FAILED = 3002;
constexpr int IDS_DISABLED = 3003;
constexpr int IDS_DISABLED_ON_REBOOT = 3004;
constexpr int IDS_DISABLE_FAILED = 3005;
constexpr int IDS_RESTARTED = 3006;
constexpr int IDS_REQUIRES_REBOOT = 3007;
constexpr int IDS_RESTART_FAILED = 3008;

// ---- controls shared by several templates, the same control in each ----------------------------
// "Line 1" .. "Line 3" radio buttons (IDD_DEVELOP, IDD_SIGNAL_TRACE_FORM, IDD_LINE_TEST,
// IDD_DTMF_DECODER, IDD_TRACE_CONTROL).
constexpr int IDC_LINE1 = 1045;
constexpr int IDC_LINE2 = 1046;
constexpr int IDC_LINE3 = 1047;

// ---- IDD_ABOUTBOX ------------------------------------------------------------------------------
constexpr int IDC_PROGRAM_VERSION = 1138;
constexpr int IDC_DEVICE_VERSION = 1141;
constexpr int IDC_WEB_LINK = 1163;

// ---- IDD_CONTROL_PANEL -------------------------------------------------------------------------
constexpr int IDC_ASCII = 1003;
constexpr int IDC_HEX = 1004;
constexpr int IDC_HIGHLIGHT_PARITY_BIT = 1029;
constexpr int IDC_HIGHLIGHT_PARITY_ERRORS = 1030;
constexpr int IDC_SHOW_MODEM_EVENTS = 1031;
constexpr int IDC_RECALL_SESSION = 1058;
constexpr int IDC_CONFIGURE = 1059;
constexpr int IDC_SIGNAL_TRACE = 1060;
constexpr int IDC_LINE_TEST = 1061;
constexpr int IDC_DTMF_DECODER = 1062;
constexpr int IDC_CAPTURE = 1084;
constexpr int IDC_STANDARD = 1150;
constexpr int IDC_FORMAT = 1151;
constexpr int IDC_MODE = 1152;
constexpr int IDC_SESSION = 1154;
constexpr int IDC_BIT_STUFFED = 1177;

// ---- IDD_CONFIGURE -----------------------------------------------------------------------------
constexpr int IDC_APPLY = 3;
constexpr int IDC_SYNC = 1007;
constexpr int IDC_ASYNC = 1008;
constexpr int IDC_TWO_WIRE = 1009;
constexpr int IDC_FOUR_WIRE = 1010;
constexpr int IDC_BELL = 1013;
constexpr int IDC_ITU = 1014;
constexpr int IDC_FORMAT_8N1 = 1015;
constexpr int IDC_FORMAT_7E1 = 1016;
constexpr int IDC_ANSWER_TONE = 1017;
constexpr int IDC_CALL_PROGRESS = 1018;
constexpr int IDC_DIAL_TONE = 1031;
constexpr int IDC_DTMF = 1032;
constexpr int IDC_RINGBACK = 1033;
constexpr int IDC_TRIGGER_DIGITS = 1034;
constexpr int IDC_TRIGGER_NUMBER = 1035;
constexpr int IDC_CALL_PROGRESS_GROUP = 1036;
constexpr int IDC_STANDARD_GROUP = 1103;
constexpr int IDC_FORMAT_GROUP = 1104;
constexpr int IDC_CAPTURE_MODE_GROUP = 1105;
constexpr int IDC_LINE_TYPE_GROUP = 1106;
constexpr int IDC_TRIGGER_GROUP = 1107;

// ---- IDD_DIAL ----------------------------------------------------------------------------------
constexpr int IDC_HOTKEY = 1009;

// ---- IDD_DEVELOP (and IDC_LINE1 .. IDC_LINE3, the meter's lines) --------------------------------
constexpr int IDC_SEND = 1012;
constexpr int IDC_TRANSMIT = 1013;
constexpr int IDC_STATUS_TEXT = 1014;
constexpr int IDC_STATUS_CHOICE = 1015;
constexpr int IDC_RECEIVE = 1016;
constexpr int IDC_CAL_PROGRESS = 1017;
constexpr int IDC_RECEIVE_SIDE_LIST = 1019;
constexpr int IDC_RECEIVE_LIST = 1020;
constexpr int IDC_BYTES_WRITTEN = 1021;
constexpr int IDC_BYTES_READ = 1022;
constexpr int IDC_SAVE = 1025;
constexpr int IDC_FILE_NAME = 1026;
constexpr int IDC_RECALL_CAPTURE = 1027;
constexpr int IDC_HDLC_TEST = 1028;
constexpr int IDC_DIGITAL_METER = 1044;
constexpr int IDC_CALIBRATE_LINE1 = 1048;
constexpr int IDC_CALIBRATE_LINE2 = 1049;
constexpr int IDC_CALIBRATE_LINE3 = 1050;
constexpr int IDC_LINE1_DC_OFFSET = 1071;
constexpr int IDC_LINE1_DC_GAIN = 1072;
constexpr int IDC_LINE1_AC_OFFSET = 1073;
constexpr int IDC_LINE1_AC_GAIN = 1074;
constexpr int IDC_LINE2_DC_OFFSET = 1075;
constexpr int IDC_LINE2_DC_GAIN = 1076;
constexpr int IDC_LINE2_AC_OFFSET = 1077;
constexpr int IDC_LINE2_AC_GAIN = 1078;
constexpr int IDC_LINE3_DC_OFFSET = 1079;
constexpr int IDC_LINE3_DC_GAIN = 1080;
constexpr int IDC_CAL_LINE1_GROUP = 1081;
constexpr int IDC_CAL_LINE2_GROUP = 1082;
constexpr int IDC_CAL_LINE3_GROUP = 1083;
constexpr int IDC_LINE3_AC_OFFSET = 1084;
constexpr int IDC_LINE3_AC_GAIN = 1085;
constexpr int IDC_METER_DC = 1097;  // the meter selection: DC, AC, both
constexpr int IDC_METER_AC = 1098;
constexpr int IDC_METER_BOTH = 1099;
constexpr int IDC_STORE_CALIBRATION = 1101;
constexpr int IDC_DOWNLOAD_APP = 1137;
constexpr int IDC_REPEAT_1000 = 1173;
constexpr int IDC_EP1 = 1176;
constexpr int IDC_EP2 = 1177;

// ---- IDD_SPLASH --------------------------------------------------------------------------------
constexpr int IDC_SPLASH_PICTURE = 1085;

// ---- IDD_CAPTURE_STATUS ------------------------------------------------------------------------
constexpr int IDC_CAPTURE_STATUS_TEXT = 1066;

// ---- IDD_CLOCK_ENTRY ---------------------------------------------------------------------------
constexpr int IDC_DATE = 1089;
constexpr int IDC_TIME = 1090;

// ---- IDD_SIGNAL_TRACE_FORM (and IDC_LINE1, IDC_LINE2, unused) ----------------------------------
constexpr int IDC_SCOPE = 1090;
constexpr int IDC_TIME_AXIS = 1091;
constexpr int IDC_VOLT_AXIS = 1092;
constexpr int IDC_ISO_TRACE = 1094;
constexpr int IDC_FORM_RECALL_TRACE = 1095;  // unused, hidden
constexpr int IDC_SNAP_TO_TRACE = 1172;

// ---- IDD_SESSION_RECALL (nine rows) and IDD_TRACE_RECALL (the first three) -----------------
// Per row: the "Session #n" / "Trace #n" button, date, size, "Recall #n" button, mode, format, line.
constexpr int IDC_RECALL_ITEM1 = 1108;
constexpr int IDC_RECALL_DATE1 = 1117;
constexpr int IDC_RECALL_SIZE1 = 1118;
constexpr int IDC_RECALL_BUTTON1 = 1119;
constexpr int IDC_RECALL_MODE1 = 1144;
constexpr int IDC_RECALL_FORMAT1 = 1153;
constexpr int IDC_RECALL_LINE1 = 1162;
constexpr int IDC_RECALL_ITEM2 = 1109;
constexpr int IDC_RECALL_DATE2 = 1120;
constexpr int IDC_RECALL_SIZE2 = 1121;
constexpr int IDC_RECALL_BUTTON2 = 1122;
constexpr int IDC_RECALL_MODE2 = 1145;
constexpr int IDC_RECALL_FORMAT2 = 1154;
constexpr int IDC_RECALL_LINE2 = 1163;
constexpr int IDC_RECALL_ITEM3 = 1110;
constexpr int IDC_RECALL_DATE3 = 1123;
constexpr int IDC_RECALL_SIZE3 = 1124;
constexpr int IDC_RECALL_BUTTON3 = 1125;
constexpr int IDC_RECALL_MODE3 = 1146;
constexpr int IDC_RECALL_FORMAT3 = 1155;
constexpr int IDC_RECALL_LINE3 = 1164;
constexpr int IDC_RECALL_ITEM4 = 1111;
constexpr int IDC_RECALL_DATE4 = 1126;
constexpr int IDC_RECALL_SIZE4 = 1127;
constexpr int IDC_RECALL_BUTTON4 = 1128;
constexpr int IDC_RECALL_MODE4 = 1147;
constexpr int IDC_RECALL_FORMAT4 = 1156;
constexpr int IDC_RECALL_LINE4 = 1165;
constexpr int IDC_RECALL_ITEM5 = 1112;
constexpr int IDC_RECALL_DATE5 = 1129;
constexpr int IDC_RECALL_SIZE5 = 1130;
constexpr int IDC_RECALL_BUTTON5 = 1131;
constexpr int IDC_RECALL_MODE5 = 1148;
constexpr int IDC_RECALL_FORMAT5 = 1157;
constexpr int IDC_RECALL_LINE5 = 1166;
constexpr int IDC_RECALL_ITEM6 = 1113;
constexpr int IDC_RECALL_DATE6 = 1132;
constexpr int IDC_RECALL_SIZE6 = 1133;
constexpr int IDC_RECALL_BUTTON6 = 1134;
constexpr int IDC_RECALL_MODE6 = 1149;
constexpr int IDC_RECALL_FORMAT6 = 1158;
constexpr int IDC_RECALL_LINE6 = 1167;
constexpr int IDC_RECALL_ITEM7 = 1114;
constexpr int IDC_RECALL_DATE7 = 1135;
constexpr int IDC_RECALL_SIZE7 = 1136;
constexpr int IDC_RECALL_BUTTON7 = 1137;
constexpr int IDC_RECALL_MODE7 = 1150;
constexpr int IDC_RECALL_FORMAT7 = 1159;
constexpr int IDC_RECALL_LINE7 = 1168;
constexpr int IDC_RECALL_ITEM8 = 1115;
constexpr int IDC_RECALL_DATE8 = 1138;
constexpr int IDC_RECALL_SIZE8 = 1139;
constexpr int IDC_RECALL_BUTTON8 = 1140;
constexpr int IDC_RECALL_MODE8 = 1151;
constexpr int IDC_RECALL_FORMAT8 = 1160;
constexpr int IDC_RECALL_LINE8 = 1169;
constexpr int IDC_RECALL_ITEM9 = 1116;
constexpr int IDC_RECALL_DATE9 = 1141;
constexpr int IDC_RECALL_SIZE9 = 1142;
constexpr int IDC_RECALL_BUTTON9 = 1143;
constexpr int IDC_RECALL_MODE9 = 1152;
constexpr int IDC_RECALL_FORMAT9 = 1161;
constexpr int IDC_RECALL_LINE9 = 1170;

// ---- IDD_FIND ----------------------------------------------------------------------------------
constexpr int IDC_FIND_TEXT = 1120;
constexpr int IDC_FIND_KIND = 1122;
constexpr int IDC_FIND_NEXT = 1123;

// ---- IDD_LINE_TEST (and IDC_LINE1 .. IDC_LINE3) ------------------------------------------------
constexpr int IDC_DC_BAR = 1124;
constexpr int IDC_DC_VALUE = 1125;
constexpr int IDC_AC_BAR = 1126;
constexpr int IDC_AC_VALUE = 1127;
constexpr int IDC_LINE_STATUS = 1128;
constexpr int IDC_VPP = 1131;
constexpr int IDC_DBM = 1132;
constexpr int IDC_LINE_TEST_GROUP = 1133;

// ---- IDD_DOWNLOAD_STATUS -----------------------------------------------------------------------
constexpr int IDC_DOWNLOAD_PROGRESS = 1140;

// ---- IDD_DTMF_DECODER (and IDC_LINE1, IDC_LINE2) -----------------------------------------------
constexpr int IDC_DTMF_DIGITS = 1034;
constexpr int IDC_DTMF_GROUP = 1134;
constexpr int IDC_CLEAR_DTMF = 1158;

// ---- IDD_TRACE_CONTROL (and IDC_LINE1, IDC_LINE2) ----------------------------------------------
constexpr int IDC_RECALL_TRACE = 1058;
constexpr int IDC_SCALE = 1164;
constexpr int IDC_SPAN = 1165;
constexpr int IDC_TRIGGER_TYPE = 1166;
constexpr int IDC_TRIGGER_DTMF = 1167;
constexpr int IDC_TRIGGER_RINGBACK = 1168;
constexpr int IDC_TRIGGER_VOLTAGE = 1169;
constexpr int IDC_CAPTURE_TRACE = 1170;
constexpr int IDC_TRIGGER_DTMF_LABEL = 1182;
constexpr int IDC_TRIGGER_RINGBACK_LABEL = 1183;
constexpr int IDC_TRIGGER_VOLTAGE_LABEL = 1184;
constexpr int IDC_SCALE_LABEL = 1185;
constexpr int IDC_SPAN_LABEL = 1186;
constexpr int IDC_TRIGGER_TYPE_LABEL = 1187;

// ---- IDD_USB_LIST ------------------------------------------------------------------------------
constexpr int IDC_USB_REPLIES = 1179;
