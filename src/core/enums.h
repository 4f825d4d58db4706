#pragma once

// The library's public enumerations. Member names and values are part of the interface.
namespace KvoPlx800SCtl {

enum FilterColumnTypeConstants : int {
    fcKeyword = 0,
    fcText = 1,
    fcInteger16 = 2,
    fcInteger32 = 3,
    fcSingle = 4,
    fcDouble = 5,
    fcDateTime = 6,
    fcBoolean = 7,
    fcNote = 8,
    _fc_Max = 9,
    _fc_Last = 8,
    _fc_First = 0,
    fcUndefined = -1,
};

enum EFilterColumnDateTimeDefaultModeConstants : int {
    fcDTDM_Configure = 0,
    fcDTDM_Now = 1,
    _fcDTDM_Max = 2,
    _fcDTDM_Last = 1,
    _fcDTDM_First = 0,
};

enum FilterComparisonClasses : int {
    kvoCC_Unknown = 0,
    kvoCC_Boolean = 1,
    kvoCC_Keyword = 2,
    kvoCC_Text = 3,
    kvoCC_Numeric = 4,
    kvoCC_Date = 5,
};

enum EComparisonOperations : int {
    kvoOP_IsFalse = 0,
    kvoOP_IsTrue = 1,
    kvoOP_Equals = 2,
    kvoOP_NotEquals = 3,
    kvoOP_Less = 4,
    kvoOP_Greater = 5,
    kvoOP_LessOrEqual = 6,
    kvoOP_GreatorOrEqual = 7,
    kvoOP_IsLike = 8,
    kvoOP_IsNotLike = 9,
    kvoOP_Includes = 10,
    kvoOP_Excludes = 11,
};

enum EConjunctions : int {
    kvoCJ_None = 0,
    kvoCJ_And = 1,
    kvoCJ_OR = 2,
};

enum KVOSearchEditExamineModes : int {
    cseModeEdit = 0,
    cseModeExamine = 1,
};

enum FilterMenuItems : int {
    fltr_FMI_EDITDATA = 0,
    fltr_FMI_FILTER = 1,
    fltr_FMI_CLEARFILTER = 2,
    fltr_FMI_VIEWDATA = 3,
    fltr_FMI_INCLUDESEARCHDATA = 4,
    fltr_FMI_SHOWSEARCHDATAWINDOW = 5,
    fltr_FMI_SWITCHTOSEARCHCOLUMNS = 6,
    fltr_FMI_EDITPICKLISTS = 7,
};

enum ColumnsStatusConstants : int {
    kvoFCSUndefinedStatus = 0,
    kvoFCSSuccess = 1,
    kvoFCSNoColumnsDefined = 2,
    kvoFCSMissingDatabase = 3,
    kvoFCSMissingBaseTable = 4,
    kvoFCSInvalidBaseTable = 5,
    kvoFCSBaseTableNotDefined = 6,
    kvoFCSBaseTableMissingPrimaryIndex = 7,
    kvoFSCBaseTablePrimaryIndexSegmented = 8,
    kvoFCSMissingDatabaseHandler = 9,
    kvoFCSMissingProfile = 10,
};

enum FilterStatusConstants : int {
    fltr_SUCCESS = 0,
    fltr_NOT_DEFINED = 1,
    fltr_FAILURE = 2,
};

enum EDemoColumnSet : int {
    fltrDCS_Undefined = 0,
    fltrDCS_DncFile = 1,
    fltrDCS_ControlledDocument = 2,
    fltrDCS_Packet = 3,
};

enum ESearchFilterCopyConfigurationResults : int {
    fltrCCR_Failed = 0,
    fltrCCR_Success = 1,
};

enum EFilterDatabaseModes : int {
    fltrDBMode_Normal = 0,
    fltrDBMode_Archive = 1,
};

// The names of the enumeration members, as the command-line tool and logs print them.
const char *columnsStatusName(int status);
const char *columnTypeName(int type);   // "fcText", ...

} // namespace KvoPlx800SCtl
