#pragma once

// The names of the text slots. Every language table fills the same slot with
// the same meaning; code addresses a text by its name, never by its number.
// The English text of each slot is given beside it.
namespace Text {

enum Id : int {
    UsersPage = 0,              // "Users" (persons page, menu)
    GroupsPage = 1,             // "Groups"
    ReadersPage = 2,            // "Readers"
    SettingsPage = 3,           // "Settings"
    PersonFirstNameLabel = 4,   // "Name" (the SURNAME box)
    PersonSurnameLabel = 5,     // "Surename" (the NAME box)
    DuplicatesLabel = 6,        // "Number of duplicates"
    PersonNumberLabel = 7,      // "Number in the database"
    GroupWord = 8,              // "Group": Label4, and the name of a new group
    PersonAdd = 9,              // "Add"
    PersonDelete = 10,          // "Delete"
    PersonEdit = 11,            // "Edit"
    PersonConfirm = 12,         // "Confirm"
    FilterBox = 13,             // "Filter"
    FilterByName = 14,          // "By name" (filters on SURNAME)
    FilterBySurname = 15,       // "By surename" (filters on NAME)
    FilterCheck = 16,           // "Filtr"
    PersonComments = 17,        // "Comments"
    DuplicateCard = 18,         // "Duplicate card"
    ProgramCard = 19,           // "Program"
    FindCard = 20,              // "Find"
    RemovePermissions = 21,     // "Remove permissions"
    PersonGridId = 22,          // "ID"
    PersonGridName = 23,        // "Name"
    PersonGridSurname = 24,     // "Surename"
    PersonGridGroup = 25,       // "Group"
    SelectAll = 26,             // "Select all"
    NoAccess = 27,              // "No access"
    GroupAdd = 28,              // "Add"
    GroupDelete = 29,           // "Delete"
    GroupEdit = 30,             // "Edit"
    GroupConfirm = 31,          // "Confirm"
    GroupLabel = 32,            // "Group"
    GroupComments = 33,         // "Comments"
    AccessToReaders = 34,       // "Access to readers with numbers:"
    GroupGridName = 35,         // "Group name"
    ReaderParameters = 36,      // "Parameters of the reader"
    ConfigCardBox = 37,         // "Card reader configuration card"
    ReaderNameLabel = 38,       // "Reader name"
    RelayTimeLabel = 39,        // "Relay time [s]"
    ReaderNumberLabel = 40,     // "Number of the reader"
    ConfirmationOnRs232 = 41,   // "Confirmation on RS232 port"
    ReaderAdd = 42,             // "Add"
    ReaderDelete = 43,          // "Delete"
    ReaderEdit = 44,            // "Edit"
    ReaderConfirm = 45,         // "Connfirm"
    FactoryNew = 46,            // "Factory new"
    WithCurrentCode = 47,       // "With current system code"
    WhenCodeChanged = 48,       // "When you changed the system code"
    OldCode = 49,               // "Old code"
    ResetReaderMemory = 50,     // "Reset reader memory"
    SaveToCard = 51,            // "Save parameters to the card"
    ReaderComments = 52,        // "comments"
    ReaderGridName = 53,        // "Name"
    ReaderGridTime = 54,        // "Time"
    SystemCodeLabel = 55,       // "System code"
    AdminPasswordLabel = 56,    // "Administrator password of the program"
    UserPasswordLabel = 57,     // "User password of the program"
    SystemNumberRange = 58,     // "Number in the range of 1..1 000 000"
    LanguageLabel = 59,         // "Language"
    SaveSystemNumber = 60,      // "Save"
    SaveAdminPassword = 61,     // "Save"
    SaveUserPassword = 62,      // "Save"
    SaveLanguage = 63,          // "Save"
    MakerLine1 = 64,            // the maker's name
    MakerLine2 = 65,            // the maker's street
    MakerLine3 = 66,            // the maker's town
    AboutClose = 67,            // "Close"
    SoftwareVersion = 68,       // "Software version"
    ProductName = 69,           // "Pellaro"
    // 70 is not used.
    CheckConnection = 71,       // "Check connection"
    CommunicationError = 72,    // "Communication error"
    NoConnectivity = 73,        // "No connectivity"
    // 74 is not used.
    SearchResult = 75,          // "Search result"
    NoUserInDatabase = 76,      // "No user in database!"
    ConfigurationCardRead = 77, // "Configuration card"
    NoCardOrForeignConfig = 78, // "No card or configuration card from another system."
    NoCardOrForeignUser = 79,   // "No card or user card from another system."
    OverRange = 80,             // "Over range"
    NoAssignment = 81,          // "No assignment!" (hint of an access box without reader)
    AboutProgram = 82,          // "About program"
    ReadWriteCard = 83,         // "Read/write  card"
    Transmission = 84,          // "Transsmision"
    CardInformation = 85,       // "Card information"
    InfoSurname = 86,           // "Surename......................................."
    InfoName = 87,              // "Name....................................."
    InfoGroup = 88,             // "Group.................................."
    InfoDuplicates = 89,        // "Number of duplicates..............."
    InfoDuplicate = 90,         // "Duplicate..............................."
    InfoId = 91,                // "ID......................................."
    InfoClose = 92,             // "Close"
    LoginConfirm = 93,          // "Confirm"
    EditMenu = 94,              // "Edit"
    PortMenu = 95,              // "Port"
    HelpMenu = 96,              // "Help"
    Connect = 97,               // "Connect"
    Disconnect = 98,            // "Disconnect"
    Configuration = 99,         // "Configuration"
    SystemNumberSaved = 100,    // "System number saved!"
    AdminPasswordSaved = 101,   // "Administrator password - saved"
    UserPasswordSaved = 102,    // "User password - saved"
    ReaderWord = 103,           // "Reader": the name of a new reader

    // Texts the program added to the original 104. Each block belongs to one
    // part of the program; its four-language rows live in that part's file
    // (src/i18n/*Texts.cpp). Keep each block within its range.

    // 104..119: configuration file and start-up (SettingsTexts.cpp).
    FirstSettingsText = 104,
    SettingCharacterRefused = 104, // "The character \"%1\" cannot be stored in the configuration file. ..."
    SettingQuotesRefused = 105,    // "A value enclosed in quotation marks cannot be stored: ..."
    SettingBlanksRefused = 106,    // "A value that begins or ends with a blank cannot be stored: ..."
    SettingTooLongRefused = 107,   // "A value longer than %1 characters cannot be stored. ..."
    SettingLineBreakRefused = 108, // "A value with a line break cannot be stored. ..."
    TableChangeUndone = 109,       // "The table %1 was opened after a change to it had been cut short ..."
    TableTailMoved = 110,          // "The table %1 held data after its last counted record ..." (%2: the side file)
    TableRepairedCaption = 111,    // "Table repaired"
    TableDamaged = 116,            // "The table %1 was found damaged when it was opened: ..." (%2: what was found)
    TableDamagedCaption = 117,     // "Damaged table"

    // 120..149: the persons, groups and readers pages (PageTexts.cpp).
    FirstPageText = 120,
    UnstorableCharacter = 120, // "The character \"%1\" cannot be stored in the tables. ..."
    RelayTimeOutOfRange = 121, // "The relay time must be a whole number of seconds from 1 to 255. ..."
    PageErrorCaption = 122,    // "Error"
    NoPersonShown = 123,       // "No person is shown, so nobody was deleted."
    PrintGroupGone = 124,      // "The group \"%1\" is no longer in the table. Nothing was printed: ..."
    NoGroupShown = 125,        // "No group is shown, so nothing was changed."
    NoReaderShown = 126,       // "No reader is shown, so nothing was deleted."

    // 150..179: card operations and the card journal (CardTexts.cpp).
    FirstCardText = 150,
    CardNotWritten = 150,       // "Card not written" (caption)
    PersonNumberUnfit = 151,    // "Person number %1 does not fit on a card (1..65535). ..."
    DuplicateCountUnfit = 152,  // "The stored number of duplicates (%1) does not fit on a card (0..15). ..."
    SystemNumberUnfit = 153,    // "The system number %1 is outside 1..1 000 000. ..."
    NoPersonSelected = 154,     // "No person is selected: a card with person number 0 ..."
    ReaderNumberUnfit = 155,    // "Reader number %1 is outside 1..96. ..."
    RelayTimeUnfit = 156,       // "The stored relay time %1 s is outside 1..255 s. ..."
    OldCodeUnfit = 157,         // "The old code %1 is outside 1..1 000 000. ..."
    WriteIncomplete = 158,      // "The connection to the programmer was lost during the write. ..."
    GroupMissingNoAccess = 159, // "The card was written without access: the group \"%1\" does not exist."
    JournalNotWritten = 160,    // "The card journal %1 could not be written: %2"
    CardJournal = 161,          // "Card journal" (caption)
    JournalUnwritable = 162,    // "The card journal %1 cannot be written: %2. No card was written ..."

    // 180..199: backups, spreadsheet exchange, the manual (ExchangeTexts.cpp).
    FirstExchangeText = 180,
    ExportPersons = 180,    // "Export persons…" (Edit menu)
    ImportPersons = 181,    // "Import persons…" (Edit menu)
    SpreadsheetFiles = 182, // "Spreadsheet files (*.csv)" (file dialog filter)
    ExportCaption = 183,    // "Export"
    ImportCaption = 184,    // "Import"
    PersonsExported = 185,  // "Persons exported: " followed by the count
    PersonsImported = 186,  // "Persons imported: " followed by the count
    ImportRefused = 187,    // "Nothing was imported. Correct these lines and import again."
    BackupCaption = 188,    // "Backup"
    BackupFailed = 189,     // "The backup copy of the tables could not be made:" followed by the reason
    RestoreFinished = 190,  // "A restore of the tables from %1 was interrupted. It has been finished: ..."
    RestoreUndone = 191,    // "A restore of the tables was interrupted before it replaced anything. ..."
    StoredNotSynced = 199,  // "It is stored, but may not survive a power cut: %1"

    // 200..209: the serial port (LinkTexts.cpp).
    FirstLinkText = 200,
    PortPermission = 200, // "The account \"%2\" may not open %1. ..." (%3: the udev rule example)

    // 210..249: what the cards handed out carry (FieldTexts.cpp).
    FirstFieldText = 210,
    CardsToRewriteMenu = 210,    // "Cards to rewrite…" (Edit menu)
    CardJournalMenu = 211,       // "Card journal…" (Edit menu)
    CardsToRewriteTitle = 212,   // "Cards to rewrite" (window)
    CardsToRewriteCount = 213,   // "Cards to rewrite: %1" (status bar, list)
    NoCardYetCount = 214,        // "No card yet: %1"
    ColumnWhy = 215,             // "Why"
    ColumnLastWritten = 216,     // "Last written"
    CardNumberHex = 217,         // "Card number (hex)"
    CardNumber32 = 218,          // "Decimal, 32 bits"
    CardNumber24 = 219,          // "Decimal, 24 bits"
    CardFacility = 220,          // "Facility,card"
    WhyAccessChanged = 221,      // "The group's doors changed"
    WhyMovedGroup = 222,         // "Moved to another group"
    WhyGroupGone = 223,          // "The group no longer exists"
    WhySystemChanged = 224,      // "Written for another system number"
    WhyPersonDeleted = 225,      // "Person deleted, the card still opens doors"
    WhyNotVerified = 226,        // "Not verified by reading it back"
    ReadBackFailed = 227,        // "The card did not answer as written — check it with Find"
    ReadBackCaption = 228,       // "Card check"
    JournalFilter = 229,         // "Person number or name:"
    JournalTime = 230,           // "Time"
    JournalRole = 231,           // "Role"
    JournalOperation = 232,      // "Operation"
    JournalDuplicate = 233,      // "Duplicate"
    JournalReadBack = 234,       // "Read back"
    JournalData = 235,           // "Blocks 3..6"
    DamagedLine = 236,           // "Damaged line %1: %2"
    DamagedFields = 237,         // "wrong number of fields"
    DamagedNumber = 238,         // "a number or time that does not read"
    DamagedHex = 239,            // "card data that is not 32 hex digits"
    Cancel = 240,                // "Cancel"
    DeletePerson = 241,          // "Delete %1 %2 (number %3)?"
    DeletePersonCard = 242,      // "The card of %1 %2 (number %3) still opens readers: ..."
    WriteRemoveThenDelete = 243, // "Write Remove permissions, then delete"
    DeleteAnyway = 244,          // "Delete anyway"
    DeleteGroup = 245,           // "Delete the group \"%1\"?"
    DeleteGroupMembers = 246,    // "It leaves %1 persons without access."
    DeleteReader = 247,          // "Delete the reader \"%1\" (number %2)?"
    PersonGone = 248,            // "Person number %1 is no longer in the table."
    JournalUnreadable = 249,     // "The card journal %1 could not be read: %2"

    // 250..299: the operator's desk: questions, printing, sorting (DeskTexts.cpp).
    FirstDeskText = 250,
    NoCardAnswered = 250,              // "No card answered — is a card on the programmer and the right port chosen?"
    SystemNumberQuestion = 251,        // "The system number %1 will take the place of %2. ..." (%1 new, %2 in force)
    SystemNumberCorrected = 252,       // "%1 is outside 1..1 000 000: %2 will be stored."
    SystemNumberQuestionCaption = 253, // "Change the system number?"
    ImportMoreProblems = 254,          // "…and %1 more."
    PrintMenu = 255,                   // "Print…" (Edit menu)
    PrintCaption = 256,                // "Print"
    PrintPersons = 257,                // "Persons list"
    PrintGroupSheet = 258,             // "Access sheet of the group:"
    PrintToPrinter = 259,              // "Printer…"
    PrintToPdf = 260,                  // "PDF file…"
    PrintCancel = 261,                 // "Cancel"
    PdfFiles = 262,                    // "PDF files (*.pdf)"
    PrintSystemNumber = 263,           // "System number %1" (page header)
    PrintPage = 264,                   // "Page %1 of %2" (page header)
    AccessSheetTitle = 265,            // "Access of the group %1"
    NoReadersInGroup = 266,            // "The group opens no reader."
    PdfWritten = 267,                  // "The PDF file %1 was written (pages: %2)."
    PdfNotWritten = 268,               // "The PDF file %1 could not be written: %2"
    ReaderGridNumber = 269,            // "No." (readers grid, reader number column)
    PrinterNotStarted = 270,           // "The printer %1 could not be started. Nothing was printed."
    AnswerYes = 271,                   // "Yes" (a question's button)
    AnswerNo = 272,                    // "No"

    // 330..369: the enrolment station, Edit > Program a list (EnrolTexts.cpp).
    FirstEnrolText = 330,
    ProgramListMenu = 330,          // "Program a list…"
    ProgramListTitle = 331,         // "Program a list"
    ProgramListAddGroup = 332,      // "Add the group"
    ProgramListAddShown = 333,      // "Add the persons shown"
    ProgramListAddRewrite = 334,    // "Add the cards to rewrite"
    ProgramListClear = 335,         // "Empty the list"
    ProgramListStart = 336,         // "Start"
    ProgramListPause = 337,         // "Pause"
    ProgramListSkip = 338,          // "Skip"
    ProgramListStop = 339,          // "Stop"
    ProgramListHandover = 340,      // "Handover sheet…"
    ColumnNumber = 341,             // "Number"
    ColumnNames = 342,              // "Names"
    ColumnGroup = 343,              // "Group"
    ColumnState = 344,              // "State"
    StateWaiting = 345,             // "waiting"
    StateWritten = 346,             // "written"
    StateVerified = 347,            // "verified"
    StateFailed = 348,              // "failed"
    StateSkipped = 349,             // "skipped"
    ProgramListProgress = 350,      // "%1 done, %2 left, about %3 left"
    ProgramListPlaceCard = 351,     // "Put the next card on the programmer"
    ProgramListTakeCard = 352,      // "Take the card off the programmer"
    ProgramListPaused = 353,        // "Paused"
    ProgramListDone = 354,          // "Every card of the list is written."
    ProgramListFailures = 355,      // "Three cards in a row did not answer as written. The lis..."
    ProgramListLinkLost = 356,      // "The link to the programmer was lost. The list stopped; ..."
    ProgramListCloseQuestion = 357, // "%1 cards of the list are still to be written. Close the..."
    ProgramListStatus = 358,        // "List: %1 of %2 cards"
    HandoverTitle = 359,            // "Cards handed over"
    ColumnSignature = 360,          // "Signature"
    ProgramListEmpty = 361,         // "No card of the list was written."
    ProgramListGroupLabel = 362,    // "Group:"
    ProgramListConfigurationCard = 363, // "A reader's configuration card is on the programmer: it is not written ..."
    // 370..399: passwords and the audit trail (AuditTexts.cpp).
    FirstAuditText = 370,
    PasswordOfOtherRole = 370,    // "This is the other role's password. Choose a different one."
    PasswordNotHashed = 371,      // "The password could not be hashed ... Nothing was stored."
    DefaultPasswordsInUse = 372,  // "Default passwords are in use: change them on the Settings page"
    DefaultPasswordHint = 373,    // "A new installation's administrator password is 1."
    LoginWait = 374,              // "Too many wrong passwords: this one is checked in %1 s"
    PasswordUnreadable = 375,     // "The value of %1 in config.ini is no password hash this system can check ..."
    PasswordNotRehashed = 376,    // "The password could not be stored as a hash: %1"
    AuditUnwritable = 377,        // "The audit trail %1 cannot be written: %2. Nothing was changed."
    AuditCaption = 378,           // "Audit trail"
    AuditTrailMenu = 379,         // "Audit trail…" (Edit menu)
    AuditPersonFilter = 380,      // "Person (number or name):"
    AuditTableFilter = 381,       // "Table:"
    AuditFrom = 382,              // "From:"
    AuditTo = 383,                // "To:"
    AuditAllTables = 384,         // "(all)"
    AuditColumns = 385,           // "Time|Role|User|Host|Action|Table|Record|Person" (the list's column titles)
    AuditDetailColumns = 386,     // "Field|Old value|New value"
    AuditEvents = 387,            // "Events shown: %1 of %2"
    AuditNewestHash = 388,        // "Audit trail: %1" (footer of a printed list)
    AuditNotReadable = 389,       // "The audit trail %1 could not be read: %2"
    PasswordTooLong = 391,        // "The password is too long: at most %1 bytes in UTF-8. Nothing was stored."
    AuditNotWritten = 390,        // "The change was stored, but the audit trail %1 could not take its line: %2"
    // 400..414: the site's card journal and audit trail (JournalTexts.cpp).
    JournalDesk = 400, // "Desk" (the card journal's column: the desk that wrote the line)
    // 430..444: the shared database's connection and password (DatabaseTexts.cpp).
    DatabaseLost = 430,            // "The database at %1 cannot be reached: %2. Nothing was stored; ..."
    DatabaseCardRefused = 431,     // "The database at %1 cannot be reached: %2. No card was written, ..."
    DatabaseUnreachable = 432,     // "The database at %1 cannot be reached: %2. Trying again ..." (status bar)
    DatabaseBack = 433,            // "The database at %1 can be reached again; the records were read anew."
    DatabasePasswordCaption = 434, // "Database password"
    DatabasePasswordAsk = 435,     // "The database %1 asks for the password of the user %2:"
    DatabasePasswordWrong = 436,   // "The database %1 did not accept the password of the user %2. ..."
    DatabasePasswordNone = 437,    // "The database %1 cannot be opened without the password ..."
    // 415..429: several desks on one database (DeskSharingTexts.cpp).
    FirstDeskSharingText = 415,
    ChangedAtDesk = 415,        // "The record was changed at the desk \"%1\" after you began editing it. ..."
    RemovedAtDesk = 416,        // "The record was removed at another desk after you began editing it. ..."
    ReloadAnswer = 417,         // "Reload"
    KeepEditingAnswer = 418,    // "Keep editing"
    ChangedAtDeskCaption = 419, // "Changed at another desk"
    // 480..499: moving a site between files and the database, the database's schema and encoding (SiteMoveTexts.cpp).
    FirstSiteMoveText = 480,
    DatabaseWrongEncoding = 480, // "The database %1 on %2 is of the encoding %3; Pellaro works only on ... UTF8 ..."
    DatabaseWithoutTables = 481, // "The database %1 on %2 holds none of Pellaro's tables. ... db init ..."

    // 500..519: questions that name their record, and keep-editing conflicts (ConfirmTexts.cpp).
    FirstConfirmText = 500,
    AskedRecordRemoved = 500,      // "%1: the record was removed at another desk while the question was open. ..."
    AskedRecordChanged = 501,      // "%1: the record was changed at another desk while the question was open. ..."
    ChangedAtDeskFields = 502,     // "The record was changed at the desk \"%1\" after you began editing it:\n%2 ..."
    FieldBothValues = 503,         // "%1: yours \"%2\", stored now \"%3\""
    FieldStoredValue = 504,        // "%1: stored now \"%2\""
    AccessToReaderField = 505,     // "access to reader %1"
    ValueYes = 506,                // "yes"
    ValueNo = 507,                 // "no"
    MembersChangedMeanwhile = 508, // "A member of the group \"%1\" was changed at another desk meanwhile: ..."

    // 520..539: the enrolment station's refusals and list rows (StationTexts.cpp).
    FirstStationText = 520,
    StationPersonsCard = 520,       // "Take this card off: it is %1's card. Nothing was written on it."
    StationConfigurationCard = 521, // "Take this card off: it is a reader's configuration card (code %1). ..."
    StationSkippedGone = 522,       // "skipped: number %1 is no longer in the table"
    StationSkippedPerson = 523,     // "skipped: number %1 is now %2"
    StationSkippedGroup = 524,      // "skipped: now in the group \"%1\", queued for \"%2\""
    StationJournalSpooled = 525,    // "The card was written, but the card journal %1 could not take its line: ..."
    StationRowSpooled = 526,        // "%1; its journal line waits in %2 until the database can be reached"

    // 540..559: numbers given out under one lock, the connection's time-outs (NumberTexts.cpp).
    FirstNumberText = 540,
    DatabaseCommitUncertain = 540, // "The database at %1 could not be reached while the change was being stored: ..."
    DatabaseStoredAfterAll = 541,  // "The change that could not be confirmed was stored in the database at %1 ..."
    DatabaseCommitUndecided = 542, // "The database at %1 has not yet finished the change that could not be ..."
    DatabaseSilent = 543,          // "no answer for %1 seconds" (why the database cannot be reached)

    // 560..579: the site's settings and passwords (SiteSettingsTexts.cpp).
    FirstSiteSettingsText = 560,
    ConfigUnreadable = 560,        // "%1 is there, but the account \"%2\" cannot read it (%3): no password opens ..."
    PasswordValueUnreadable = 561, // "The value of %1 in %2 is neither a password nor a password hash ..."
    PasswordEmpty = 562,           // "An empty password opens nothing: type one. Nothing was stored."
    SiteSystemNumberDiffers = 563, // "This desk's config.ini holds the system number %1, but the %2 ..."
    DatabaseInUse = 564,           // "Database: %1 on %2" (status bar)
    SiteSettingsUnreadable = 565,  // "The system number and the passwords of the site cannot be read from the %1 ..."

    // 580..599: the audit trail's head and its gaps (TrailTexts.cpp).
    FirstTrailText = 580,
    TrailBatchNotStored = 580, // "Nothing was stored: the audit trail %1 could not take the lines of this change: %2"
    TrailMissing = 581,        // "The audit trail %1 is missing, though its head %2 says it held %3 lines. ..."
    TrailCut = 582,            // "The audit trail %1 lacks its last %3 events: its head %2 names a longer trail. ..."
    TrailReplaced = 583,       // "The audit trail %1 was replaced: it does not hold the newest hash of its head %2. ..."
    TrailUnreadable = 584,     // "The audit trail %1 cannot be checked against its head: %2. ..."
    TrailTornMark = 585,       // "torn by a crash" (the audit window's chain column)
    TrailOutsideMark = 586,    // "NOT IN THE CHAIN" (the audit window's chain column)
    TrailChainColumn = 587,    // "Chain" (the audit window's column title)

    // 600..619: shared folders and damaged files (FolderTexts.cpp).
    FirstFolderText = 600,

    // 620..639: a new site's import, status bar and results (NewSiteTexts.cpp).
    FirstNewSiteText = 620,
    ImportReadings = 620,       // "The file reads differently as UTF-8 and as Windows-1250. ..." (%1, %2: a row each way)
    ReadingUtf8 = 621,          // "UTF-8" (an answer)
    ReadingWindows1250 = 622,   // "Windows-1250" (an answer)
    ImportReadAs = 623,         // "The file is read as %1 text, its fields separated by %2."
    SeparatorComma = 624,       // "commas"
    SeparatorSemicolon = 625,   // "semicolons"
    SeparatorTab = 626,         // "tabs"
    ImportIgnoredColumns = 627, // "These columns are not imported: %1."
    ImportNewGroups = 628,      // "These groups are not in the groups table yet: %1. ..."
    CreateGroupsAnswer = 629,   // "Create the groups"
    WithoutGroupAnswer = 630,   // "Store them without a group"
    ImportAlreadyInTable = 631, // "%1 of these %2 persons are already in the table with the same family and first name"
    SkipExistingAnswer = 632,   // "Skip them"
    ImportAgainAnswer = 633,    // "Import them again"
    ImportWillCreate = 634,     // "These groups will be created: %1."
    ImportWillSkip = 635,       // "Persons already in the table that will be skipped: %1."
    GroupsCreated = 636,        // "Groups created: %1"
    PersonsSkipped = 637,       // "Persons skipped as already in the table: %1"

    // 640..659: a card's result, the status bar and the demo's station (ResultTexts.cpp).
    FirstResultText = 640,
    ProgramWrittenVerified = 640,   // "%1: card %2 written and verified" (status bar after Program)
    ProgramWrittenUnchecked = 641,  // "%1: card %2 written, not read back (reading back is off)"
    ProgramWrittenUnconfirmed = 642, // "%1: card %2 written, but reading it back did not confirm it"
    ProgramNoDoorQuestion = 643,    // "%1 is in no group that opens a door (group: \"%2\"). ... Write it anyway?"
    DefaultPasswordsShort = 644,    // "Default passwords in use" (status bar; the whole text in its tooltip)

    // 660..679: the audit window, a folder held by another account, and small mends (DeskHoldTexts.cpp).
    FirstDeskHoldText = 660,
    DeskHeldBy = 660,      // "%1 is in use by the account \"%2\" on the computer \"%3\" since %4."
    DeskHeldUnknown = 661, // "%1 is in use by another program, which left no note of who it is."
    DeskOneAtATime = 662,  // "One desk at a time works on a folder of tables; several desks at once ..."
    DeskHeldCaption = 663, // "Tables in use"
    RetryAnswer = 664,     // "Try again" (a question's button)
    QuitAnswer = 665,      // "Quit"

    // 680..719: Windows: the port, the registry, the password hash, files and the installer (WindowsTexts.cpp).
    FirstWindowsText = 680,
    RegistryKeyMissing = 680, // "The registry key HKEY_CURRENT_USER\%1 does not exist for this Windows account. ..."
    // password hashes
    PasswordHashOfLinux = 690, // "The password of %1 in %2 is a hash only the Linux build can check ..."
    // files: config.ini that this account may not read, on Windows (the Linux advice is ConfigUnreadable)
    ConfigUnreadableByRules = 706, // "%1 is there, but the account \"%2\" cannot read it (%3), ... (its Properties, Security)"
    // printing
    NoPrinterInstalled = 705, // "This computer has no printer installed. Nothing was printed. ..." (%1: the PDF button)

    // 720..739: the database trail's head and card lines that missed the journal (TrailHeadTexts.cpp).
    FirstTrailHeadText = 720,
    TrailHeadCut = 720,      // "The audit trail %1 lacks its last %3 events: its head %2 names a longer trail. ..."
    TrailHeadReplaced = 721, // "The audit trail %1 was replaced: it does not hold the newest hash of its head %2. ..."

    // 285..299: a new site's first steps: login, port, import (StartTexts.cpp).
    FirstStartText = 285,
    PasswordPlaceholder = 285, // "Password" (the empty login box)
    PortDeviceSet = 286,       // "Device: %1, set in config.ini by [COM_PORT] %2=" (after an open error)
    PortDeviceDefault = 287,   // "Device: %1, the default, as config.ini sets no [COM_PORT] %2="
    ImportPreview = 288,       // "Persons to import: %1. The first row will be stored as family name: %2, ..."
    ImportAnswer = 289,        // "Import" (the preview's button)
};

} // namespace Text
