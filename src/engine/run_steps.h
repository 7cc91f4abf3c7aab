#pragma once
// The steps of a conversion run that can fail, by the line numbers its error reports name
// ("in Ferroquill2021/08/31.Form1.PushButton7_Click at line 344"). Users quote these numbers to
// us, so each keeps its number for good; HACKING.md says how a new step gets one.

namespace qc::engine {

enum class Step : int {
    // Before the tables.
    CheckTarget = 114,
    CheckSource = 116,
    ShowBusy = 118,
    ListSourceTables = 124,
    ListTargetTables = 126,
    SetTargetCommandTimeout = 130,
    SetTargetConnectionTimeout = 132,
    OpenContainer = 136,
    OpenFolder = 138,
    SetSourceCommandTimeout = 142,
    SetSourceConnectionTimeout = 144,
    OpenLocalSource = 150,
    OpenRemoteSource = 152,

    // Each table.
    LetEventsThroughBeforeTable = 160,
    AskOverwrite = 166,
    ShowTableProgress = 188,
    BuildTable = 190, // its source query opened, or the table not converted for a name taken
    // The definition, per column; each type rule's steps are numbered from its own first line
    // (TypeRule::firstLine).
    CountFields = 200,
    LetEventsThroughBeforeField = 202,
    AddDatatypeRow = 204,
    ShowFieldName = 206,
    QuoteFieldName = 208,
    ReadFieldType = 210,
    CollectDrop = 182,
    ExecuteDrop = 184,
    CollectCreate = 318,
    ExecuteCreate = 320, // also: the engine refuses the definition before anything is dropped
    FirstRow = 324,
    CountRows = 326,
    LetEventsThroughBeforeRow = 328,
    ShowRowProgress = 334,
    LetEventsThroughBeforeValue = 342,
    ReadValue = 344,
    AppendValue = 346,
    CollectInsert = 416,
    ExecuteInsert = 426,
    MoveToNextRow = 428,
    CheckEndOfRows = 430,
    CloseSourceQuery = 432,
    ShowTablePreview = 440,
    ClearTableProgress = 444,

    // After the tables.
    ShowPreview = 454,
    CloseSourceAfterPreview = 458,
    CloseTargetAfterPreview = 460,
    ClearProgressAfterPreview = 464,
    CloseSource = 468,
    CloseTarget = 470,
    ShowIdle = 472,
    ResetProgressValue = 474,
    ResetProgressText = 476,
    SayDone = 478,
};

} // namespace qc::engine
