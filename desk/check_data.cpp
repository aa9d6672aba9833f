#include "desk/check_data.h"

namespace tarnwick::desk {
namespace {

// The sections as the run writes them, first to last.
constexpr std::string_view kRunSections[] = {
    "Tool Version", "User Info",   "Windows OS",       "DirectX",    "Processor",        "Memory",
    "VGA",          "Audio",       "SystemInfo",       "MB Info",    "DeviceInfo",       "Media",
    "System Device Info", "USBInfo", "USB Info",       "Empia Data", "Application Info", "MCE Encoder Info",
    "TuningSpaces", "Filter Name",
};

// The labels of the known tuner hardware groups; each key of a recognised
// device is a label followed by the device number.
constexpr std::string_view kTunerGroupLabels[] = {
    "Philips ID ", "Conexant ID ", "DiBcom ID ", "Empia ID ", "Brennock ID ", "Device ID ",
};

// Analogue broadcast standards by telephone country code. Countries that
// changed standard are listed with the one their receivers meet today;
// code 1 covers the North American numbering plan, all NTSC.
constexpr CountryRow kCountries[] = {
    {"1", "United States, Canada", "NTSC"}, {"7", "Russia", "SECAM"},
    {"20", "Egypt", "PAL"},                 {"27", "South Africa", "PAL"},
    {"30", "Greece", "PAL"},                {"31", "Netherlands", "PAL"},
    {"32", "Belgium", "PAL"},               {"33", "France", "SECAM"},
    {"34", "Spain", "PAL"},                 {"36", "Hungary", "PAL"},
    {"39", "Italy", "PAL"},                 {"40", "Romania", "PAL"},
    {"41", "Switzerland", "PAL"},           {"43", "Austria", "PAL"},
    {"44", "United Kingdom", "PAL"},        {"45", "Denmark", "PAL"},
    {"46", "Sweden", "PAL"},                {"47", "Norway", "PAL"},
    {"48", "Poland", "PAL"},                {"49", "Germany", "PAL"},
    {"51", "Peru", "NTSC"},                 {"52", "Mexico", "NTSC"},
    {"53", "Cuba", "NTSC"},                 {"54", "Argentina", "PAL-N"},
    {"55", "Brazil", "PAL-M"},              {"56", "Chile", "NTSC"},
    {"57", "Colombia", "NTSC"},             {"58", "Venezuela", "NTSC"},
    {"60", "Malaysia", "PAL"},              {"61", "Australia", "PAL"},
    {"62", "Indonesia", "PAL"},             {"63", "Philippines", "NTSC"},
    {"64", "New Zealand", "PAL"},           {"65", "Singapore", "PAL"},
    {"66", "Thailand", "PAL"},              {"81", "Japan", "NTSC"},
    {"82", "South Korea", "NTSC"},          {"84", "Vietnam", "PAL"},
    {"86", "China", "PAL"},                 {"90", "Turkey", "PAL"},
    {"91", "India", "PAL"},                 {"92", "Pakistan", "PAL"},
    {"94", "Sri Lanka", "PAL"},             {"98", "Iran", "SECAM"},
    {"212", "Morocco", "SECAM"},            {"213", "Algeria", "PAL"},
    {"216", "Tunisia", "SECAM"},            {"234", "Nigeria", "PAL"},
    {"351", "Portugal", "PAL"},             {"352", "Luxembourg", "PAL"},
    {"353", "Ireland", "PAL"},              {"354", "Iceland", "PAL"},
    {"358", "Finland", "PAL"},              {"359", "Bulgaria", "PAL"},
    {"370", "Lithuania", "PAL"},            {"371", "Latvia", "PAL"},
    {"372", "Estonia", "PAL"},              {"375", "Belarus", "SECAM"},
    {"380", "Ukraine", "SECAM"},            {"381", "Serbia", "PAL"},
    {"385", "Croatia", "PAL"},              {"386", "Slovenia", "PAL"},
    {"420", "Czech Republic", "PAL"},       {"421", "Slovakia", "PAL"},
    {"502", "Guatemala", "NTSC"},           {"506", "Costa Rica", "NTSC"},
    {"507", "Panama", "NTSC"},              {"591", "Bolivia", "NTSC"},
    {"593", "Ecuador", "NTSC"},             {"595", "Paraguay", "PAL-N"},
    {"598", "Uruguay", "PAL-N"},            {"852", "Hong Kong", "PAL"},
    {"880", "Bangladesh", "PAL"},           {"886", "Taiwan", "NTSC"},
    {"966", "Saudi Arabia", "SECAM"},       {"971", "United Arab Emirates", "PAL"},
    {"972", "Israel", "PAL"},
};

}  // namespace

std::span<const std::string_view> RunSections() { return kRunSections; }
std::span<const std::string_view> TunerGroupLabels() { return kTunerGroupLabels; }
std::span<const CountryRow> Countries() { return kCountries; }

}  // namespace tarnwick::desk
