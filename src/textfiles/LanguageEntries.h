#pragma once
// The built-in English texts. Code names a text by its entry here; the id is
// what the language file stores.
#include <cstddef>
#include <cstdint>
#include <string_view>

struct TLangEntry {
    std::uint32_t ID;
    std::string_view Def;
};

namespace LE {
inline constexpr TLangEntry Language{1, "Language"};
inline constexpr TLangEntry Menu{2, "Menu"};
inline constexpr TLangEntry Connect{3, "Connect"};
inline constexpr TLangEntry Disconnect{4, "Disconnect"};
inline constexpr TLangEntry NoDevice{6, "-- no device --"};
inline constexpr TLangEntry Refresh{9, "Refresh"};
inline constexpr TLangEntry ConnectedTo{10, "Connected to"};
inline constexpr TLangEntry Cancel{15, "Cancel"};
inline constexpr TLangEntry DateFormat{19, "MM/dd/yyyy"};
inline constexpr TLangEntry Version{20, "Version"};
inline constexpr TLangEntry TestName{25, "Test name"};
inline constexpr TLangEntry LotNumber{26, "Lot number"};
inline constexpr TLangEntry DistributorManufacturer{27, "Distributor/Manufacturer"};
inline constexpr TLangEntry MinValue{41, "Min value"};
inline constexpr TLangEntry Class{47, "Class"};
inline constexpr TLangEntry ResultName{63, "Result name"};
inline constexpr TLangEntry ResultUnit{64, "Result unit"};
inline constexpr TLangEntry Result{67, "Result"};
inline constexpr TLangEntry BinFileFilter{82, "Binary file|*.bin"};
inline constexpr TLangEntry Baud{84, "baud"};
inline constexpr TLangEntry VexoTime{88, "Vexo time"};
inline constexpr TLangEntry TsvFilter{104, "Tab-separated values|*.tsv"};
inline constexpr TLangEntry DateSeparator{105, "/"};
inline constexpr TLangEntry TestID{106, "Test ID"};
inline constexpr TLangEntry DateTime{107, "Date / Time"};
inline constexpr TLangEntry Voltage{108, "Voltage"};
inline constexpr TLangEntry Temperature{109, "Temperature"};
inline constexpr TLangEntry UserComments{111, "User comments"};
inline constexpr TLangEntry StartMeasurement{113, "Start measurement"};
inline constexpr TLangEntry OK{114, "OK"};
inline constexpr TLangEntry LoadDataFromFile{115, "Load data from file"};
inline constexpr TLangEntry SaveDataToFile{116, "Save data to file"};
inline constexpr TLangEntry ReadDataFromVexo{117, "Read data from vexo"};
inline constexpr TLangEntry EditAddUserComment{121, "Edit/add user comment"};
inline constexpr TLangEntry DeleteEntry{122, "Delete entry"};
inline constexpr TLangEntry FormatVexoDatabase{124, "Format vexo database"};
inline constexpr TLangEntry AutoConnect{130, "Auto connect"};
inline constexpr TLangEntry SetSystemTime{131, "Set system time"};
inline constexpr TLangEntry NotANumber{134, "Not a number"};
inline constexpr TLangEntry ShutdownVexoOnDisconnect{150, "Shutdown vexo on disconnect"};
inline constexpr TLangEntry SetImagePosition{151, "Set image position"};
inline constexpr TLangEntry Left{152, "Left"};
inline constexpr TLangEntry Right{153, "Right"};
inline constexpr TLangEntry FullWidth{154, "Full width"};
inline constexpr TLangEntry Close{155, "Close"};
inline constexpr TLangEntry Setup{171, "Setup"};
inline constexpr TLangEntry DataManagement{172, "Data management"};
inline constexpr TLangEntry AddToExisting{173, "Add new data to existing"};
inline constexpr TLangEntry OverwriteExisting{174, "Overwrite existing data"};
inline constexpr TLangEntry AlwaysAsk{175, "Always ask"};
inline constexpr TLangEntry LoadLastUsedFileOnStart{176, "Load last used file on start"};
inline constexpr TLangEntry TimerMeasure{184, "Timer measure"};
inline constexpr TLangEntry DeleteMeasurementList{190, "Delete measurement list"};
inline constexpr TLangEntry ListOfConfigurations{200, "List of configurations"};
inline constexpr TLangEntry Validity{202, "Validity"};
inline constexpr TLangEntry Valid{203, "Valid"};
inline constexpr TLangEntry Invalid{204, "Invalid"};
inline constexpr TLangEntry VexoExpired{205, "Vexo expired"};
inline constexpr TLangEntry LoadFromFile{222, "Load from file"};
inline constexpr TLangEntry LoadThroughDevice{223, "Load through device"};
inline constexpr TLangEntry SelectSource{224, "Select source"};
inline constexpr TLangEntry MeanValue{225, "Mean value"};
inline constexpr TLangEntry MaxValue{226, "Max value"};
inline constexpr TLangEntry LeftMean{227, "Left mean"};
inline constexpr TLangEntry RightMean{228, "Right mean"};
inline constexpr TLangEntry PositionOfMaximum{229, "Position of maximum"};
inline constexpr TLangEntry UsedPixel{230, "Used pixel"};
inline constexpr TLangEntry CenterPosition{231, "Center position"};
inline constexpr TLangEntry LineWidth{232, "Line width"};
inline constexpr TLangEntry ImageData{233, "Image data"};
inline constexpr TLangEntry DoNotDisplayImage{234, "Do not display image"};
inline constexpr TLangEntry Info{241, "Info"};
inline constexpr TLangEntry ShortcutSave{242, "Ctrl+S"};
inline constexpr TLangEntry ShortcutLoad{243, "Ctrl+L"};
inline constexpr TLangEntry Help{244, "Help"};
inline constexpr TLangEntry SelectMeasurementSource{260, "Select measurement source"};
inline constexpr TLangEntry Vexo{261, "Vexo"};
inline constexpr TLangEntry LocalFileSystem{262, "Local file system"};
inline constexpr TLangEntry SelectOnStart{263, "Select on start of measurement"};
inline constexpr TLangEntry CombineMeasurements{265, "Combine measurements"};
inline constexpr TLangEntry Accept{268, "Accept"};
inline constexpr TLangEntry Decline{269, "Decline"};
inline constexpr TLangEntry DoNotShowAgain{270, "Do not show again"};
inline constexpr TLangEntry Infinite{274, "Infinite"};
inline constexpr TLangEntry FTDIDirect{275, "FTDI direct (USB readers)"};
inline constexpr TLangEntry Ready{500, "Ready"};
inline constexpr TLangEntry ConnectionFailed{501, "Connection failed"};
inline constexpr TLangEntry WaitingTimeOut{502, "Waiting for device: time out."};
inline constexpr TLangEntry ConnectionClosed{503, "Connection closed (possible data loss)"};
inline constexpr TLangEntry RS232Error{504, "RS232 Error"};
inline constexpr TLangEntry UnknownError{505, "Unknown error"};
inline constexpr TLangEntry PortNotOpened{506, "Port not opened"};
inline constexpr TLangEntry FTDIError{509, "FTDI error"};
inline constexpr TLangEntry SendingData{513, "Sending data"};
inline constexpr TLangEntry ReceivingData{514, "Receiving data"};
inline constexpr TLangEntry ByteWrittenToAddress{520, "byte written successful to address"};
inline constexpr TLangEntry SNFirmware{521, "SN / Firmware"};
inline constexpr TLangEntry CommErrorCode{522, "(Comm) Error Code:"};
inline constexpr TLangEntry VexoErrorCode{523, "(Vexo) Error Code:"};
inline constexpr TLangEntry RFIDTagFound{524, "RFID tag found"};
inline constexpr TLangEntry UnknownCommand{525, "Unknown command"};
inline constexpr TLangEntry Evaluating{530, "Evaluating"};
inline constexpr TLangEntry CRCMismatch{533, "CRC mismatch"};
inline constexpr TLangEntry BufferOverflow{534, "Buffer overflow"};
inline constexpr TLangEntry NotEnoughMemory{535, "Not enough memory"};
inline constexpr TLangEntry CommandError{536, "Command error"};
inline constexpr TLangEntry NoImageData{537, "No image data"};
inline constexpr TLangEntry InvalidFlags{538, "Invalid flags"};
inline constexpr TLangEntry WriteBufferOverflow{539, "Write buffer overflow"};
inline constexpr TLangEntry WriteInvalidAddress{540, "Write invalid address"};
inline constexpr TLangEntry ReadInvalidLocation{541, "Read invalid location"};
inline constexpr TLangEntry ReadNoData{542, "Read no data"};
inline constexpr TLangEntry WriteMemoryOverflow{543, "Write memory overflow"};
inline constexpr TLangEntry WriteFlashFailed{544, "Write flash failed"};
inline constexpr TLangEntry ExpiryDateExceeded{545, "Expiry date exceeded"};
inline constexpr TLangEntry LowBattery{546, "Low battery"};
inline constexpr TLangEntry CaptureError{547, "Capture error"};
inline constexpr TLangEntry NominalPositionOutOfRange{548, "Nominal position out of range"};
inline constexpr TLangEntry SearchWidthTooSmall{549, "Search width has to be greater than line width"};
inline constexpr TLangEntry ConfigurationIsInvalid{550, "Configuration is invalid"};
inline constexpr TLangEntry RFIDError{552, "RFID Error"};
inline constexpr TLangEntry ReadError{553, "Read error"};
inline constexpr TLangEntry LoadResultError{554, "Load result error"};
inline constexpr TLangEntry InternalFlashWriteError{555, "Internal flash write error"};
inline constexpr TLangEntry FileInUse{
    556,
    "The file is currently in use by another application.\r\nPlease close the application and try again."};
inline constexpr TLangEntry AddToSelectedFile{562, "Do you want to add the data to the selected file?\r\nIf "
                                                   "not, the file will be overwritten with the new data."};
inline constexpr TLangEntry AddToCurrentList{
    563,
    "Add the new content to current list?\r\nIf not, the list will be overwritten with the new content."};
inline constexpr TLangEntry ReallyFormatDatabase{564, "Do you really want to format the database?"};
inline constexpr TLangEntry Formatting{565, "Formatting"};
inline constexpr TLangEntry FormatSucceeded{566, "Database has been successfully formatted."};
inline constexpr TLangEntry Connecting{567, "Connecting"};
inline constexpr TLangEntry ConnectionHasBeenClosed{568, "The connection has been closed."};
inline constexpr TLangEntry CommentsResponsibility{
    569, "All comments added to the measurements are solely in the users responsibility."};
inline constexpr TLangEntry SaveBeforeOpening{
    570, "Opening a file will overwrite the current list. Save it before?"};
inline constexpr TLangEntry VexoDisconnected{574, "Vexo has been disconnected!"};
inline constexpr TLangEntry DisconnectedStatus{575, "disconnected"};
inline constexpr TLangEntry DeleteSelectedEntry{578, "Delete the selected entry?"};
inline constexpr TLangEntry DatabaseEmpty{582, "The vexo database is empty."};
inline constexpr TLangEntry VexoBusy{583, "Vexo busy"};
inline constexpr TLangEntry VexoBusyWait{586, "The vexo is busy. Please wait until it is in Ready-state."};
inline constexpr TLangEntry ConfigWrongVersionNotLoaded{
    587, "The test configuration has the wrong version and can not be loaded."};
inline constexpr TLangEntry FileNotFound{590, "The file could not be found: "};
inline constexpr TLangEntry TagTooSmall{
    591, "The RFID tag has not enough capacity to hold the data. Please use a tag with more memory."};
inline constexpr TLangEntry MeasureCountLimit{592, "The measurement count limitation has been reached."};
inline constexpr TLangEntry RaIllegalIndex{595, "Result assignement: an illegal index has been found."};
inline constexpr TLangEntry RaIllegalChar{596, "Result assignment: an illegal char has been found."};
inline constexpr TLangEntry RaIllegalJump{597,
                                          "Result assignment: an illegal jump operation has been found."};
inline constexpr TLangEntry RaIllegalNumber{598, "Result assignment: an illegal number has been found."};
inline constexpr TLangEntry RaMissingOperand{599,
                                             "Result assignment: an expected operand could not be found."};
inline constexpr TLangEntry RaIllegalJumpAddress{
    600, "Result assignment: an illegal jump address has been found."};
inline constexpr TLangEntry RaIllegalAssignment{601,
                                                "Result assignment: an illegal assignment has been found."};
inline constexpr TLangEntry RaOperandNaN{602, "Result assignment: an operand is NaN (Not a Number)."};
inline constexpr TLangEntry RaInfiniteLoop{603, "Result assignemnt: an infinite loop has been found."};
inline constexpr TLangEntry RFIDTimeOut{604, "RFID Error: time out."};
inline constexpr TLangEntry RFIDStatusError{605, "RFID Error: status error."};
inline constexpr TLangEntry RFIDCollision{606, "RFID Error: collision (more than one tag in range)."};
inline constexpr TLangEntry RFIDNothingReceived{607, "RFID Error: nothing received."};
inline constexpr TLangEntry RFIDUnencryptedNotAllowed{
    608, "RFID Error: reading of an unencrypted tag is not allowed."};
inline constexpr TLangEntry RFIDAuthenticationFailed{609, "RFID Error: authentification failed."};
inline constexpr TLangEntry RFIDWriteFail{610, "RFID Error: write fail."};
inline constexpr TLangEntry ConfigWrongVersion{611, "The test configuration has the wrong version."};
inline constexpr TLangEntry AbortedByUser{612, "Aborted by user."};
inline constexpr TLangEntry EvaluationStartsIn{613, "The evaluation starts in "};
inline constexpr TLangEntry PlaceOverWhiteCard{614, "Place device over white card and press device button."};
inline constexpr TLangEntry PlaceOverTestCard{615, "Place device over test card and press device button."};
inline constexpr TLangEntry EvaluationRunning{616, "Test evaluation is running..."};
inline constexpr TLangEntry NoTestConfigurationFound{617, "No test configuration found."};
inline constexpr TLangEntry PlaceDeviceAndTag{618,
                                              "Please place the device over the test card and the RFID-tag "
                                              "with the test configuration over the device and press OK."};
inline constexpr TLangEntry DeleteAllEntries{619, "Delete all entries in the current list?"};
inline constexpr TLangEntry ConfigChecksumWrong{
    625, "The checksum of the test configuration is not correct. The data could be corrupted."};
inline constexpr TLangEntry CustomerInvalid{
    629, "The customer specified in the config is invalid for the device."};
inline constexpr TLangEntry SelectConfigSource{
    638, "Please select a source for the test configuration you want to run."};
inline constexpr TLangEntry Yes{645, "Yes"};
inline constexpr TLangEntry No{646, "No"};
inline constexpr TLangEntry FileReadError{
    647, "An error occured while reading data from the file. Please check if the selected file is correct."};
inline constexpr TLangEntry IncompatibleFile{648, "Incompatible file"};
inline constexpr TLangEntry NotAQCConfiguration{
    649, "The chosen configuration is not a QC configuration. Please select a valid QC configuration."};
inline constexpr TLangEntry NoQCConfiguration{650, "No QC configuration"};
inline constexpr TLangEntry ConfigsNotIdentical{
    657, "The test configurations are not identical. The measurements will be handled as single ones."};
inline constexpr TLangEntry CombineQuestion{
    658, "Start a second measurement with the same test configuration and combine the results?"};
inline constexpr TLangEntry CombineMeasurementsCaption{659, "Combine measurements?"};
inline constexpr TLangEntry MultipleDevicesFound{660,
                                                 "Multiple accessible devices have been found. Please select "
                                                 "the serial of the device you want to connect to."};
inline constexpr TLangEntry SelectDevice{661, "Select device"};
inline constexpr TLangEntry HelpFileMissing{662, "Help file is missing"};
inline constexpr TLangEntry FileMissing{663, "File missing"};
inline constexpr TLangEntry SaveBeforeClosing{665,
                                              "Do you want to save the data before closing the program?"};
inline constexpr TLangEntry IncompatibleSaveFormat{
    668, "The data format in the chosen file is incompatible with the current data save format. Please "
         "change the data save format through the config file or select a compatible file."};
inline constexpr TLangEntry PortAccessDenied{
    669, "You may not use this port.\r\nAdd your user to the group that owns the device (usually "
         "\"dialout\") and log in again, or install the program's udev rule, which gives the logged-in "
         "user access to the reader."};
inline constexpr TLangEntry HintConnect{700, "Establish a connection to the device."};
inline constexpr TLangEntry HintDisconnect{701, "Close the connection to the device."};
inline constexpr TLangEntry HintVexoTime{
    762, "Date/Time of the connected device. Use right mouse button to update it to system time."};
inline constexpr TLangEntry HintFirmware{763, "Displays the firmware version of the connected device."};
inline constexpr TLangEntry HintInstantMeasure{766, "Start a new measurement and get the results."};
inline constexpr TLangEntry HintTimerMeasure{
    770, "Start a measurement using timer (if declared in test configuration)."};
// No text: a status without one; never written to the language file.
inline constexpr TLangEntry NoText{9999, ""};
} // namespace LE

// Every entry above but NoText, in ascending id order.
inline constexpr TLangEntry LanguageEntries[] = {
    LE::Language,
    LE::Menu,
    LE::Connect,
    LE::Disconnect,
    LE::NoDevice,
    LE::Refresh,
    LE::ConnectedTo,
    LE::Cancel,
    LE::DateFormat,
    LE::Version,
    LE::TestName,
    LE::LotNumber,
    LE::DistributorManufacturer,
    LE::MinValue,
    LE::Class,
    LE::ResultName,
    LE::ResultUnit,
    LE::Result,
    LE::BinFileFilter,
    LE::Baud,
    LE::VexoTime,
    LE::TsvFilter,
    LE::DateSeparator,
    LE::TestID,
    LE::DateTime,
    LE::Voltage,
    LE::Temperature,
    LE::UserComments,
    LE::StartMeasurement,
    LE::OK,
    LE::LoadDataFromFile,
    LE::SaveDataToFile,
    LE::ReadDataFromVexo,
    LE::EditAddUserComment,
    LE::DeleteEntry,
    LE::FormatVexoDatabase,
    LE::AutoConnect,
    LE::SetSystemTime,
    LE::NotANumber,
    LE::ShutdownVexoOnDisconnect,
    LE::SetImagePosition,
    LE::Left,
    LE::Right,
    LE::FullWidth,
    LE::Close,
    LE::Setup,
    LE::DataManagement,
    LE::AddToExisting,
    LE::OverwriteExisting,
    LE::AlwaysAsk,
    LE::LoadLastUsedFileOnStart,
    LE::TimerMeasure,
    LE::DeleteMeasurementList,
    LE::ListOfConfigurations,
    LE::Validity,
    LE::Valid,
    LE::Invalid,
    LE::VexoExpired,
    LE::LoadFromFile,
    LE::LoadThroughDevice,
    LE::SelectSource,
    LE::MeanValue,
    LE::MaxValue,
    LE::LeftMean,
    LE::RightMean,
    LE::PositionOfMaximum,
    LE::UsedPixel,
    LE::CenterPosition,
    LE::LineWidth,
    LE::ImageData,
    LE::DoNotDisplayImage,
    LE::Info,
    LE::ShortcutSave,
    LE::ShortcutLoad,
    LE::Help,
    LE::SelectMeasurementSource,
    LE::Vexo,
    LE::LocalFileSystem,
    LE::SelectOnStart,
    LE::CombineMeasurements,
    LE::Accept,
    LE::Decline,
    LE::DoNotShowAgain,
    LE::Infinite,
    LE::FTDIDirect,
    LE::Ready,
    LE::ConnectionFailed,
    LE::WaitingTimeOut,
    LE::ConnectionClosed,
    LE::RS232Error,
    LE::UnknownError,
    LE::PortNotOpened,
    LE::FTDIError,
    LE::SendingData,
    LE::ReceivingData,
    LE::ByteWrittenToAddress,
    LE::SNFirmware,
    LE::CommErrorCode,
    LE::VexoErrorCode,
    LE::RFIDTagFound,
    LE::UnknownCommand,
    LE::Evaluating,
    LE::CRCMismatch,
    LE::BufferOverflow,
    LE::NotEnoughMemory,
    LE::CommandError,
    LE::NoImageData,
    LE::InvalidFlags,
    LE::WriteBufferOverflow,
    LE::WriteInvalidAddress,
    LE::ReadInvalidLocation,
    LE::ReadNoData,
    LE::WriteMemoryOverflow,
    LE::WriteFlashFailed,
    LE::ExpiryDateExceeded,
    LE::LowBattery,
    LE::CaptureError,
    LE::NominalPositionOutOfRange,
    LE::SearchWidthTooSmall,
    LE::ConfigurationIsInvalid,
    LE::RFIDError,
    LE::ReadError,
    LE::LoadResultError,
    LE::InternalFlashWriteError,
    LE::FileInUse,
    LE::AddToSelectedFile,
    LE::AddToCurrentList,
    LE::ReallyFormatDatabase,
    LE::Formatting,
    LE::FormatSucceeded,
    LE::Connecting,
    LE::ConnectionHasBeenClosed,
    LE::CommentsResponsibility,
    LE::SaveBeforeOpening,
    LE::VexoDisconnected,
    LE::DisconnectedStatus,
    LE::DeleteSelectedEntry,
    LE::DatabaseEmpty,
    LE::VexoBusy,
    LE::VexoBusyWait,
    LE::ConfigWrongVersionNotLoaded,
    LE::FileNotFound,
    LE::TagTooSmall,
    LE::MeasureCountLimit,
    LE::RaIllegalIndex,
    LE::RaIllegalChar,
    LE::RaIllegalJump,
    LE::RaIllegalNumber,
    LE::RaMissingOperand,
    LE::RaIllegalJumpAddress,
    LE::RaIllegalAssignment,
    LE::RaOperandNaN,
    LE::RaInfiniteLoop,
    LE::RFIDTimeOut,
    LE::RFIDStatusError,
    LE::RFIDCollision,
    LE::RFIDNothingReceived,
    LE::RFIDUnencryptedNotAllowed,
    LE::RFIDAuthenticationFailed,
    LE::RFIDWriteFail,
    LE::ConfigWrongVersion,
    LE::AbortedByUser,
    LE::EvaluationStartsIn,
    LE::PlaceOverWhiteCard,
    LE::PlaceOverTestCard,
    LE::EvaluationRunning,
    LE::NoTestConfigurationFound,
    LE::PlaceDeviceAndTag,
    LE::DeleteAllEntries,
    LE::ConfigChecksumWrong,
    LE::CustomerInvalid,
    LE::SelectConfigSource,
    LE::Yes,
    LE::No,
    LE::FileReadError,
    LE::IncompatibleFile,
    LE::NotAQCConfiguration,
    LE::NoQCConfiguration,
    LE::ConfigsNotIdentical,
    LE::CombineQuestion,
    LE::CombineMeasurementsCaption,
    LE::MultipleDevicesFound,
    LE::SelectDevice,
    LE::HelpFileMissing,
    LE::FileMissing,
    LE::SaveBeforeClosing,
    LE::IncompatibleSaveFormat,
    LE::PortAccessDenied,
    LE::HintConnect,
    LE::HintDisconnect,
    LE::HintVexoTime,
    LE::HintFirmware,
    LE::HintInstantMeasure,
    LE::HintTimerMeasure,
};

// The entry of an id, or nullptr when the table has none.
const TLangEntry* FindLanguageEntry(std::uint32_t id);
