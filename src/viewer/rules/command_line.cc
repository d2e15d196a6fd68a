#include "viewer/rules/command_line.h"

namespace pagora::viewer {

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  std::vector<const char*> pointers;
  pointers.reserve(arguments.size());
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  const CommandLineShape shape = scanCommandLine(static_cast<int>(pointers.size()), pointers.data());

  CommandLine result;
  result.action = shape.action;
  if (shape.action == CommandLine::Action::Run && shape.document >= 0) result.document = arguments[shape.document];
  switch (shape.fault) {
    case CommandLineShape::Fault::None:
      break;
    case CommandLineShape::Fault::UnknownOption:
      result.error = "unknown option \"" + arguments[shape.offending] + "\"";
      break;
    case CommandLineShape::Fault::SecondDocument:
      result.error = "more than one document named (\"" + arguments[shape.document] + "\", \"" +
                     arguments[shape.offending] + "\")";
      break;
    case CommandLineShape::Fault::EmptyDocument:
      result.error = "an empty document name";
      break;
  }
  return result;
}

std::string usageText(const std::string& program) { return "Usage: " + program + kUsageAfterProgram; }

}  // namespace pagora::viewer
