#pragma once
// Numbers of every command, control, string, resource, timer and window
// message of ORVA, plus the menu texts and status prompts of the commands.
// Menus, tool bars, accelerators and routing all refer to these numbers, so a
// command keeps one identity from the key press to its handler.

namespace orva {

// ---------------------------------------------------------------------------
// Resources
// ---------------------------------------------------------------------------

// Main frame: the frame itself, its menu while no document window is open,
// tool bar 102 (whose images also decorate menus) and the main accelerators.
constexpr int IDR_MAINFRAME = 102;
constexpr int IDR_MENU_MAINFRAME = 102;
constexpr int IDR_TOOLBAR_MAIN = 102;
constexpr int IDR_ACCEL_MAIN = 102;

// Query document type: template, document menu and the document string.
constexpr int IDR_QUERY_DOC = 103;
constexpr int IDR_MENU_QUERY_DOC = 103;
constexpr int IDS_QUERY_DOC_STRING = 103;

// Context menus, loaded one popup at a time by index.
constexpr int IDR_CONTEXT_MENUS = 114;
constexpr int kPopupResultMode = 0;  // "结果显示方式"
constexpr int kPopupBrowser = 1;     // "对象浏览器"
constexpr int kPopupEditor = 2;      // "编辑器"
constexpr int kPopupResultSet = 3;   // "结果集"

// Editor: margin pointer, its own accelerator table and the margin images.
constexpr int IDR_CURSOR_EDITOR_MARGIN = 22900;
constexpr int IDR_ACCEL_EDITOR = 22901;
constexpr int IDB_EDITOR_MARGIN = 22902;

// Image strips of 16-pixel images.
constexpr int IDB_MENU_IMAGES = 104;         // menu and context-menu images
constexpr int IDB_BROWSER_BAR = 107;         // object browser bar
constexpr int IDB_RESULT_TABS = 107;         // "结果" / "消息" tabs
constexpr int IDB_FONT_TYPES = 110;          // TrueType / raster font marks
constexpr int IDB_SCHEMA_TREE = 115;         // tree icons, one per node kind
constexpr int IDB_OPTIONS_PAGES = 121;       // option page icons
constexpr int IDB_STRUCTURE_COLUMNS = 135;   // key / column marks of the structure grid
constexpr int IDB_TEXT_COLUMN_LIST = 135;    // column list of the text format dialog

// JPEG pictures, stored under the resource type "JPG".
constexpr int IDR_JPG_ABOUT = 130;
constexpr int IDR_JPG_CONNECT = 131;
inline constexpr const char kPictureResourceType[] = "JPG";

// Dialogs.
constexpr int IDD_ABOUT = 101;
constexpr int IDD_OPTIONS_FONT = 108;
constexpr int IDD_CONNECT = 124;
constexpr int IDD_SAVE_OPTIONS = 137;  // child template of the save dialog
constexpr int IDD_TEXT_FORMAT = 144;
constexpr int IDD_FIND = 8601;
constexpr int IDD_REPLACE = 8602;
constexpr int IDD_OPTIONS_GENERAL = 8603;
constexpr int IDD_GOTO_LINE = 8630;

// ---------------------------------------------------------------------------
// Strings
// ---------------------------------------------------------------------------

// Application strings.
constexpr int IDS_APP_TITLE = 57344;
constexpr int IDS_OLE_INIT_FAILED = 61446;

// Editor: search miss and the undo / redo menu texts.
constexpr int IDS_EDIT_DELETE_PROMPT = 37000;  // prompt of ID_EDIT_DELETE
constexpr int IDS_FIND_NOT_FOUND = 8606;
constexpr int IDS_UNDO_MENU = 8615;        // with the action caption
constexpr int IDS_REDO_MENU = 8616;        // with the action caption
constexpr int IDS_UNDO_MENU_PLAIN = 8617;  // nothing to undo
constexpr int IDS_REDO_MENU_PLAIN = 8618;  // nothing to redo

// Captions of undo actions, by action code 0..10.
constexpr int IDS_ACTION_UNKNOWN = 8619;
constexpr int IDS_ACTION_PASTE = 8620;
constexpr int IDS_ACTION_DELETE_SELECTION = 8621;
constexpr int IDS_ACTION_CUT = 8622;
constexpr int IDS_ACTION_DELETE = 8623;
constexpr int IDS_ACTION_TYPING = 8624;
constexpr int IDS_ACTION_BACKSPACE = 8625;
constexpr int IDS_ACTION_INDENT = 8626;
constexpr int IDS_ACTION_DRAG_DROP = 8627;
constexpr int IDS_ACTION_REPLACE = 8628;
constexpr int IDS_ACTION_AUTO_INDENT = 8629;

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

// Connections, query windows and SQL files.
constexpr int ID_FILE_CONNECT = 40044;
constexpr int ID_FILE_CONNECT_ODBC = 40008;
constexpr int ID_FILE_CONNECT_FILE = 40021;
constexpr int ID_FILE_DISCONNECT = 40009;
constexpr int ID_FILE_DISCONNECT_ALL = 40010;
constexpr int ID_FILE_NEW_QUERY = 40013;
constexpr int ID_FILE_OPEN_SQL = 40022;

// Standard file commands.
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_AS = 57604;
constexpr int ID_FILE_PAGE_SETUP = 57605;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_DIRECT = 57608;
constexpr int ID_FILE_PRINT_PREVIEW = 57609;

// Recent-file list, four entries.
constexpr int ID_FILE_MRU_FIRST = 57616;
constexpr int ID_FILE_MRU_LAST = 57619;

// Application and main-frame views.
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;
constexpr int ID_VIEW_BROWSER = 40005;      // show / hide the object browser bar
constexpr int ID_VIEW_RESULT_PANE = 40006;  // show / hide the result pane
constexpr int ID_TOOLS_OPTIONS = 40007;
constexpr int ID_TOOLS_CALENDAR = 40004;

// MDI windows and panes.
constexpr int ID_WINDOW_NEXT = 40011;
constexpr int ID_WINDOW_PREV = 40012;
constexpr int ID_WINDOW_NEW = 57648;
constexpr int ID_WINDOW_ARRANGE = 57649;
constexpr int ID_WINDOW_CASCADE = 57650;
constexpr int ID_WINDOW_TILE_HORZ = 57651;
constexpr int ID_WINDOW_TILE_VERT = 57652;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;

// Query window: run, cancel, database box and result display mode.
constexpr int ID_QUERY_RUN = 40014;
constexpr int ID_QUERY_CANCEL = 40015;
constexpr int ID_QUERY_DATABASE_BOX = 40016;  // tool-bar drop-down of databases
constexpr int ID_RESULT_AS_TEXT = 40018;
constexpr int ID_RESULT_AS_GRID = 40019;
constexpr int ID_RESULT_MODE = 40020;         // tool-bar drop-down button

// Record sets of result grids and the table window.
constexpr int ID_RECORD_DELETE = 40037;
constexpr int ID_RECORD_ADD = 40038;
constexpr int ID_RECORD_SAVE_AS = 40039;
constexpr int ID_RECORD_REFRESH = 40040;
constexpr int ID_RECORD_INSERT_STATEMENTS = 40043;

// Object browser.
constexpr int ID_OBJECT_OPEN = 40025;
constexpr int ID_OBJECT_PROPERTIES = 40026;
constexpr int ID_OBJECT_DROP = 40028;
constexpr int ID_OBJECT_REFRESH = 40032;
constexpr int ID_OBJECT_SELECT_SHORT = 40033;
constexpr int ID_OBJECT_SELECT_FULL = 40034;
constexpr int ID_OBJECT_CREATE_TABLE = 40042;

// Standard edit commands.
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_FIND = 57636;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_REPEAT = 57640;  // find next
constexpr int ID_EDIT_REPLACE = 57641;
constexpr int ID_EDIT_SELECT_ALL = 57642;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_EDIT_REDO = 57644;

// Editor: read-only switch and go to line.
constexpr int ID_EDIT_READ_ONLY = 40001;
constexpr int ID_EDIT_GOTO_LINE = 40045;

// Editor: deleting, indenting and overwrite.
constexpr int ID_EDIT_DELETE = 37000;
constexpr int ID_EDIT_DELETE_BACK = 37001;
constexpr int ID_EDIT_DELETE_WORD_BACK = 37002;
constexpr int ID_EDIT_TAB = 37003;
constexpr int ID_EDIT_UNTAB = 37004;
constexpr int ID_EDIT_TOGGLE_OVERWRITE = 37005;

// Editor: caret movement; each EXTEND form extends the selection.
constexpr int ID_EDIT_MOVE_CHAR_LEFT = 37100;
constexpr int ID_EDIT_EXTEND_CHAR_LEFT = 37101;
constexpr int ID_EDIT_MOVE_CHAR_RIGHT = 37102;
constexpr int ID_EDIT_EXTEND_CHAR_RIGHT = 37103;
constexpr int ID_EDIT_MOVE_WORD_LEFT = 37104;
constexpr int ID_EDIT_EXTEND_WORD_LEFT = 37105;
constexpr int ID_EDIT_MOVE_WORD_RIGHT = 37106;
constexpr int ID_EDIT_EXTEND_WORD_RIGHT = 37107;
constexpr int ID_EDIT_MOVE_LINE_UP = 37108;
constexpr int ID_EDIT_EXTEND_LINE_UP = 37109;
constexpr int ID_EDIT_MOVE_LINE_DOWN = 37110;
constexpr int ID_EDIT_EXTEND_LINE_DOWN = 37111;
constexpr int ID_EDIT_SCROLL_UP = 37112;
constexpr int ID_EDIT_SCROLL_DOWN = 37113;
constexpr int ID_EDIT_MOVE_PAGE_UP = 37114;
constexpr int ID_EDIT_EXTEND_PAGE_UP = 37115;
constexpr int ID_EDIT_MOVE_PAGE_DOWN = 37116;
constexpr int ID_EDIT_EXTEND_PAGE_DOWN = 37117;
constexpr int ID_EDIT_MOVE_LINE_END = 37118;
constexpr int ID_EDIT_EXTEND_LINE_END = 37119;
constexpr int ID_EDIT_MOVE_LINE_START = 37120;
constexpr int ID_EDIT_EXTEND_LINE_START = 37121;
constexpr int ID_EDIT_MOVE_TEXT_START = 37122;
constexpr int ID_EDIT_EXTEND_TEXT_START = 37123;
constexpr int ID_EDIT_MOVE_TEXT_END = 37124;
constexpr int ID_EDIT_EXTEND_TEXT_END = 37125;
constexpr int ID_EDIT_FIND_PREVIOUS = 37126;

// Editor: numbered bookmarks 0..9 (toggle, go to) and their clearing.
constexpr int ID_EDIT_TOGGLE_BOOKMARK_FIRST = 37200;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_0 = 37200;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_1 = 37201;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_2 = 37202;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_3 = 37203;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_4 = 37204;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_5 = 37205;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_6 = 37206;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_7 = 37207;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_8 = 37208;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_9 = 37209;
constexpr int ID_EDIT_TOGGLE_BOOKMARK_LAST = 37209;
constexpr int ID_EDIT_GO_BOOKMARK_FIRST = 37210;
constexpr int ID_EDIT_GO_BOOKMARK_0 = 37210;
constexpr int ID_EDIT_GO_BOOKMARK_1 = 37211;
constexpr int ID_EDIT_GO_BOOKMARK_2 = 37212;
constexpr int ID_EDIT_GO_BOOKMARK_3 = 37213;
constexpr int ID_EDIT_GO_BOOKMARK_4 = 37214;
constexpr int ID_EDIT_GO_BOOKMARK_5 = 37215;
constexpr int ID_EDIT_GO_BOOKMARK_6 = 37216;
constexpr int ID_EDIT_GO_BOOKMARK_7 = 37217;
constexpr int ID_EDIT_GO_BOOKMARK_8 = 37218;
constexpr int ID_EDIT_GO_BOOKMARK_9 = 37219;
constexpr int ID_EDIT_GO_BOOKMARK_LAST = 37219;
constexpr int ID_EDIT_CLEAR_BOOKMARKS = 37220;

// Editor: anonymous bookmarks.
constexpr int ID_EDIT_TOGGLE_MARK = 37223;
constexpr int ID_EDIT_NEXT_MARK = 37224;
constexpr int ID_EDIT_PREV_MARK = 37225;
constexpr int ID_EDIT_CLEAR_MARKS = 37226;

// ---------------------------------------------------------------------------
// Status bar panes
// ---------------------------------------------------------------------------

// Main frame: connection count and keyboard states.
constexpr int ID_INDICATOR_CAPS = 59137;
constexpr int ID_INDICATOR_NUM = 59138;
constexpr int ID_INDICATOR_SCROLL = 59139;
constexpr int ID_INDICATOR_OVR = 59140;  // overwrite mode of the editor
constexpr int ID_INDICATOR_CONNECTIONS = 59142;

// Query window: editor panes.
constexpr int ID_INDICATOR_EDITOR_SPARE = 37900;  // always shown disabled
constexpr int ID_INDICATOR_READ_ONLY = 37901;
constexpr int ID_INDICATOR_EOL_MODE = 37902;
constexpr int ID_INDICATOR_POSITION = 37903;

// ---------------------------------------------------------------------------
// Dialog controls and child windows
// ---------------------------------------------------------------------------

// Font page of the options sheet.
constexpr int IDC_FONT_REGION = 1010;
constexpr int IDC_FONT_FAMILY = 1014;
constexpr int IDC_FONT_STYLE = 1017;
constexpr int IDC_FONT_SIZE = 1018;
constexpr int IDC_FONT_SAMPLE = 1019;

// Connection dialog.
constexpr int IDC_CONNECT_USER = 1023;
constexpr int IDC_CONNECT_PASSWORD = 1024;
constexpr int IDC_CONNECT_SERVER = 1026;
constexpr int IDC_CONNECT_DB_TYPE = 1027;
constexpr int IDC_CONNECT_CLEAR_LIST = 1028;

// Save dialog options.
constexpr int IDC_SAVE_HEADER = 1030;
constexpr int IDC_SAVE_DELIMITER = 1031;
constexpr int IDC_SAVE_OTHER_DELIMITER = 1032;
constexpr int IDC_SAVE_DELIMITER_LABEL = 1033;
constexpr int IDC_SAVE_SEPARATOR = 1034;

// Text file format dialog.
constexpr int IDC_TEXT_DELIMITER = 1036;
constexpr int IDC_TEXT_OTHER_DELIMITER = 1037;
constexpr int IDC_TEXT_FIRST_ROW_NAMES = 1038;
constexpr int IDC_TEXT_COLUMN_LIST = 1039;
constexpr int IDC_TEXT_PREVIEW = 1040;
constexpr int IDC_TEXT_ANALYSE = 1041;

// Find and replace dialogs.
constexpr int IDC_FIND_WHOLE_WORD = 8603;
constexpr int IDC_FIND_MATCH_CASE = 8604;
constexpr int IDC_FIND_TEXT = 8605;
constexpr int IDC_REPLACE_ONE = 8607;
constexpr int IDC_REPLACE_ALL = 8608;
constexpr int IDC_REPLACE_WITH = 8609;
constexpr int IDC_REPLACE_FIND_NEXT = 8610;
constexpr int IDC_FIND_UP = 8611;
constexpr int IDC_FIND_DOWN = 8612;
constexpr int IDC_REPLACE_IN_SELECTION = 8613;
constexpr int IDC_REPLACE_IN_FILE = 8614;

// Go-to-line dialog.
constexpr int IDC_GOTO_LINE_NUMBER = 8605;

// Object browser bar of the main frame.
constexpr int IDC_BROWSER_BAR = 123;

// Result pane: message log, tabs, grids (base + index) and bars (base + index).
constexpr int IDC_RESULT_GRID_FIRST = 100;
constexpr int IDC_RESULT_MESSAGES = 10496;
constexpr int IDC_RESULT_TABS = 10497;
constexpr int IDC_RESULT_SPLITTER_FIRST = 0x3000;

// Table window grid.
constexpr int IDC_TABLE_GRID = 300;

// In-place cell editor opened by a grid.
constexpr int IDC_GRID_INPLACE_EDIT = 8;

// ---------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------

// Query window running time (1 s) and editor auto-scroll while selecting (100 ms).
constexpr int IDT_QUERY_ELAPSED = 1;
constexpr int IDT_EDITOR_AUTOSCROLL = 1001;

// ---------------------------------------------------------------------------
// Window messages
// ---------------------------------------------------------------------------

// Query run notices between the worker, cancel thread and the query window.
constexpr unsigned WM_USER = 0x0400;
constexpr unsigned WM_QUERY_DONE = WM_USER + 0x1001;       // 0x1401, posted
constexpr unsigned WM_CANCEL_DONE = WM_USER + 0x1003;      // 0x1403, posted
constexpr unsigned WM_ADD_RESULT_GRID = WM_USER + 0x1010;  // 0x1410, sent

// ---------------------------------------------------------------------------
// Texts
// ---------------------------------------------------------------------------

// Menu text and "status prompt\ntooltip" of a command; null where it has none.
struct CommandText {
  int id;
  const char* menuText;
  const char* prompt;
};

inline constexpr CommandText kCommandTexts[] = {
    {ID_FILE_CONNECT, "连接(&C)...\tCtrl+E", nullptr},
    {ID_FILE_CONNECT_ODBC, "连接ODBC数据源(&T)...\tCtrl+T", nullptr},
    {ID_FILE_CONNECT_FILE, "连接文件数据库(&T)...\tCtrl+F", nullptr},
    {ID_FILE_DISCONNECT, "断开当前连接(&D)\tCtrl+F4", nullptr},
    {ID_FILE_DISCONNECT_ALL, "断开所有连接(&A)", nullptr},
    {ID_FILE_NEW_QUERY, "新建(&N)\tCtrl+N", nullptr},
    {ID_FILE_OPEN_SQL, "打开(&O)...\tCtrl+O", nullptr},
    {ID_FILE_SAVE, "保存(&S)\tCtrl+S", nullptr},
    {ID_FILE_SAVE_AS, "另存为(&A)...", nullptr},
    {ID_FILE_PRINT, "打印(&P)...\tCtrl+P", nullptr},
    {ID_FILE_PRINT_PREVIEW, "打印预览", nullptr},
    {ID_FILE_PAGE_SETUP, "页面设置(G)...", nullptr},
    {ID_FILE_PRINT_SETUP, "打印设置(&r)...", nullptr},
    {ID_APP_EXIT, "退出(&X)", nullptr},
    {ID_EDIT_UNDO, "取消(&U)\tCtrl+Z", nullptr},
    {ID_EDIT_REDO, "重做(&R)\tCtrl+Y", nullptr},
    {ID_EDIT_DELETE, nullptr, "删除当前选中或下个一个\n删除"},
    {ID_EDIT_READ_ONLY, "只读(&O)", nullptr},
    {ID_QUERY_RUN, "运行SQL(&R)...\tF5", nullptr},
    {ID_QUERY_CANCEL, "中止运行(&S)", nullptr},
    {ID_RECORD_REFRESH, "刷新(&F)", nullptr},
    {ID_RECORD_SAVE_AS, "另存为(&S)", nullptr},
    {ID_RECORD_ADD, "添加(&A)", nullptr},
    {ID_RECORD_DELETE, "删除(&D)\tDel", nullptr},
    {ID_RECORD_INSERT_STATEMENTS, "生成插入语句(&I)", nullptr},
    {ID_VIEW_BROWSER, "显示/隐藏(&H)", nullptr},
    {ID_OBJECT_OPEN, "打开(&O)", nullptr},
    {ID_OBJECT_SELECT_SHORT, "简写形式(&S)", nullptr},
    {ID_OBJECT_SELECT_FULL, "完整形式(&F)", nullptr},
    {ID_OBJECT_CREATE_TABLE, "生成建表语句(&C)", nullptr},
    {ID_OBJECT_REFRESH, "刷新(&F)", nullptr},
    {ID_OBJECT_DROP, "删除(&D)\tDel", nullptr},
    {ID_OBJECT_PROPERTIES, "属性(&P)", nullptr},
    {ID_TOOLS_OPTIONS, "设置(&S)...", nullptr},
    {ID_TOOLS_CALENDAR, "万年历(&C)", nullptr},
    {ID_VIEW_TOOLBAR, "工具栏(&T)", nullptr},
    {ID_VIEW_STATUS_BAR, "状态条(&S)", nullptr},
    {ID_VIEW_RESULT_PANE, "结果信息(&R)", nullptr},
    {ID_WINDOW_NEXT, "下一个窗口(&N)\tCtrl+Tab", nullptr},
    {ID_WINDOW_PREV, "上一个窗口(&N)\tCtrl+Shift+Tab", nullptr},
    {ID_WINDOW_NEW, "新建窗口(&N)", nullptr},
    {ID_WINDOW_CASCADE, "层叠(&C)", nullptr},
    {ID_WINDOW_TILE_HORZ, "横向平铺(&T)", nullptr},
    {ID_WINDOW_TILE_VERT, "纵向平铺(&A)", nullptr},
    {ID_WINDOW_ARRANGE, "排列图标(&I)", nullptr},
    {ID_APP_ABOUT, "关于 ORVA(&A)...", nullptr},
    {ID_RESULT_AS_TEXT, "以文本方式显示(&T)\tF8", nullptr},
    {ID_RESULT_AS_GRID, "以表格方式显示(&G)\tF9", nullptr},
};

// The disconnect item reads differently in the menu shown without documents.
inline constexpr const char kDisconnectMenuTextNoDocument[] = "断开连接(&D)\tCtrl+F4";

inline constexpr const CommandText* FindCommandText(int id) {
  for (const CommandText& entry : kCommandTexts)
    if (entry.id == id) return &entry;
  return nullptr;
}

// String table texts.
struct StringText {
  int id;
  const char* text;
};

inline constexpr StringText kStringTexts[] = {
    {IDS_APP_TITLE, "ORVA"},
    {IDS_OLE_INIT_FAILED, "初始化OLE失败"},
    {IDS_QUERY_DOC_STRING, "\nORVA\nORVA\nSQL脚本(*.sql)\n.sql\nORVA.Document\nORVA Document"},
    {IDS_EDIT_DELETE_PROMPT, "删除当前选中或下个一个\n删除"},
    {IDS_FIND_NOT_FOUND, "找不到字符串 \"%s\""},
    {IDS_UNDO_MENU, "取消(&U) %s\tCtrl+Z"},
    {IDS_REDO_MENU, "重做(&R) %s\tCtrl+Y"},
    {IDS_UNDO_MENU_PLAIN, "取消(&U)\tCtrl+Z"},
    {IDS_REDO_MENU_PLAIN, "重做(&R)\tCtrl+Y"},
    {IDS_ACTION_UNKNOWN, "未知"},
    {IDS_ACTION_PASTE, "粘贴"},
    {IDS_ACTION_DELETE_SELECTION, "删除选中区"},
    {IDS_ACTION_CUT, "剪切"},
    {IDS_ACTION_DELETE, "删除"},
    {IDS_ACTION_TYPING, "输入"},
    {IDS_ACTION_BACKSPACE, "退格"},
    {IDS_ACTION_INDENT, "缩进"},
    {IDS_ACTION_DRAG_DROP, "拖放"},
    {IDS_ACTION_REPLACE, "替换"},
    {IDS_ACTION_AUTO_INDENT, "自动缩进"},
};

inline constexpr const char* FindStringText(int id) {
  for (const StringText& entry : kStringTexts)
    if (entry.id == id) return entry.text;
  return nullptr;
}

}  // namespace orva
