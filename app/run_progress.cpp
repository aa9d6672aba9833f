#include "app/run_progress.h"

#include <array>

#include "collectors/collectors.h"

namespace tarnwick {
namespace {

struct StepWords {
  Collector collector;
  std::string_view words;
};

const std::array<StepWords, 15> kStepWords = {{
    {CollectUserAccount, "Reading the user account"},
    {CollectWindowsOs, "Reading the Windows version"},
    {CollectDirectX, "Reading the DirectX version"},
    {CollectProcessor, "Reading the processor"},
    {CollectMemory, "Reading the memory"},
    {CollectDisplayAdapter, "Reading the display adapter"},
    {CollectAudioDevice, "Reading the audio devices"},
    {CollectRegionalAndPower, "Reading the regional and power settings"},
    {CollectMotherboard, "Reading the motherboard"},
    {CollectSystemDevices, "Reading Plug and Play devices"},
    {CollectTunerSettings, "Reading the TV tuner's settings"},
    {CollectTvApplications, "Reading the TV applications"},
    {CollectInstalledProgramFiles, "Reading the installed programs' files"},
    {CollectMceEncoder, "Reading the Media Center encoder"},
    {CollectTuningSpaces, "Reading the tuning spaces"},
}};

}  // namespace

std::string_view StepDescription(Collector collector) {
  for (const StepWords& step : kStepWords) {
    if (step.collector == collector) return step.words;
  }
  return "Collecting";
}

std::string CategoryStepDescription(std::string_view label) {
  // The labels end with the blank that the category's keys keep.
  while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
  return "Reading DirectShow filters: " + std::string(label);
}

std::string StepProgressText(std::string_view step, int entriesWritten) {
  std::string text(step);
  if (entriesWritten > 0) text += " (" + std::to_string(entriesWritten) + ")";
  return text;
}

}  // namespace tarnwick
