// Writes the seed corpora under <folder>/<target>/ from what the tool really
// meets: the simulated module's replies to real commands, with and without its
// faults, and files written by the tool's own savers.
//
//   fuzz_write_seeds <folder>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/sheet_command.h"
#include "params/image_file.h"
#include "params/parameter_image.h"
#include "protocol/block_frame.h"
#include "serial/cell_file.h"
#include "serial/rfc2217_codec.h"
#include "sim/module_logic.h"
#include "sim/sample_image.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& folder, const std::string& name, const std::string& bytes) {
  fs::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
    std::exit(1);
  }
}

std::string Bytes(const ImageBytes& image) { return std::string(image.begin(), image.end()); }

std::string StripLineEnd(std::string line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return line;
}

// What the module answers to one command line.
std::string Answer(ModuleLogic& module, const std::string& command) { return module.HandleLine(command).bytes; }

// A stream seed ends in the four bytes that choose the piece sizes.
std::string StreamSeed(const std::string& stream, std::uint32_t pieces) {
  std::string seed = stream;
  for (int k = 0; k < 4; ++k) seed += static_cast<char>(pieces >> (8 * k));
  return seed;
}

std::string WriteCommand(const ImageBytes& image, int block) { return FrameToHex(BuildFrame(image, block)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  const ImageBytes sample = SampleImage();
  ImageBytes erased;
  EraseImage(erased);

  // Block replies, good and as the faults bend them.
  const fs::path blocks = root / "block_reply";
  for (int b = 0; b < 4; ++b) {
    Write(blocks, "sample_block" + std::to_string(b), StripLineEnd(BlockReplyLine(sample, b, {})));
    Write(blocks, "erased_block" + std::to_string(b), StripLineEnd(BlockReplyLine(erased, b, {})));
  }
  SimFaults bent;
  bent.wrongBlock = 1;
  Write(blocks, "wrong_block_number", StripLineEnd(BlockReplyLine(sample, 1, bent)));
  bent = {};
  bent.badChecksum = 2;
  Write(blocks, "checksum_one_high", StripLineEnd(BlockReplyLine(sample, 2, bent)));
  bent = {};
  bent.lowercaseHex = true;
  Write(blocks, "lower_case_digits", StripLineEnd(BlockReplyLine(sample, 0, bent)));
  const std::string good = StripLineEnd(BlockReplyLine(sample, 3, {}));
  Write(blocks, "one_digit_short", good.substr(0, good.size() - 1));
  Write(blocks, "one_digit_long", good + "0");

  // Status and message lines as the module sends them on "??".
  const fs::path status = root / "status_line";
  ModuleLogic poller(sample);
  std::set<std::string> polled;
  for (int poll = 0; poll < 400 && polled.size() < 24; ++poll) {
    std::string answer = Answer(poller, "??");
    for (std::size_t end; (end = answer.find("\r\n")) != std::string::npos; answer.erase(0, end + 2)) {
      if (polled.insert(answer.substr(0, end)).second) {
        Write(status, "poll_line" + std::to_string(polled.size()), answer.substr(0, end));
      }
    }
  }
  Write(status, "short_circuits", "[1100,:,2]");
  Write(status, "call_ended", "[0010,O,9]");
  Write(status, "no_closing_bracket", "[1011,5,0");
  Write(status, "bracket_as_call_state", "[0000,0,]");
  Write(status, "message", "<Hello>");
  Write(status, "empty_message", "<>");

  // Whole sessions of replies, in the order a read, a write, a compare and a poll bring them.
  const fs::path streams = root / "receive_bytes";
  ModuleLogic module(sample);
  std::string read, write, poll;
  for (int b = 0; b < 4; ++b) read += Answer(module, "RDFL000" + std::to_string(b));
  for (int b = 0; b < 4; ++b) {
    write += Answer(module, "WRFL");
    write += Answer(module, WriteCommand(sample, b));
  }
  write += Answer(module, "WRACT");
  for (int k = 0; k < 6; ++k) poll += Answer(module, "??");
  Write(streams, "read_session", StreamSeed(read, 1));
  Write(streams, "read_session_pieces", StreamSeed(read, 0x9E3779B9u));
  Write(streams, "write_session", StreamSeed(write, 7));
  Write(streams, "poll_session", StreamSeed(poll, 3));
  Write(streams, "reply_words", StreamSeed("OK\r\nCRCOK\r\nWROK\r\nWRFLERR\r\nOK\n\rWROK\r", 11));
  // Top bit of the piece seed: the noise before the first CR comes 40 times, a 72 KB line.
  Write(streams, "overlong_line_then_reply", StreamSeed(std::string(1800, 'x') + "\rWROK\r", 0x80000005u));
  SimFaults noisy;
  noisy.garbageRate = 1;
  ModuleLogic noise(sample, noisy);
  std::string noiseRead;
  for (int b = 0; b < 4; ++b) noiseRead += Answer(noise, "RDFL000" + std::to_string(b));
  Write(streams, "noisy_read", StreamSeed(noiseRead, 5));

  // A network port's stream as ser2net sends it: its greeting (SGA and ECHO offered,
  // BINARY and COM-PORT-OPTION agreed), a modem state, the settings' acknowledgements,
  // then the module's replies; and the flow control, an unknown option and cut-off
  // subnegotiations.
  const fs::path telnet = root / "telnet_stream";
  constexpr char kGreeting[] =
      "\xff\xfb\x03\xff\xfd\x03\xff\xfb\x01\xff\xfe\x01\xff\xfd\x00\xff\xfb\x00\xff\xfd\x2c"
      "\xff\xfa\x2c\x6b\x00\xff\xf0"
      "\xff\xfa\x2c\x70\x03\xff\xf0\xff\xfa\x2c\x65\x00\x00\x4b\x00\xff\xf0\xff\xfa\x2c\x66\x08\xff\xf0"
      "\xff\xfa\x2c\x67\x01\xff\xf0\xff\xfa\x2c\x68\x01\xff\xf0\xff\xfa\x2c\x69\x01\xff\xf0\xff\xfa\x2c\x69\x0e\xff"
      "\xf0";
  const std::string greeting(kGreeting, sizeof kGreeting - 1);
  Write(telnet, "ser2net_read", StreamSeed(greeting + read, 1));
  Write(telnet, "ser2net_poll_in_pieces", StreamSeed(greeting + poll, 0x9E3779B9u));
  Write(telnet, "flow_control_and_unknown_option",
        StreamSeed("\xff\xfa\x2c\x6c\xff\xf0\xff\xfd\x18WROK\r\n\xff\xfa\x2c\x6d\xff\xf0\xff\xff", 7));
  constexpr char kCut[] = "\xff\xfa\x2c\x6c\xff\xfd\x00OK\r\x00\xff\xfa\x2c";
  Write(telnet, "cut_subnegotiation_then_plain_cr_nul", StreamSeed(std::string(kCut, sizeof kCut - 1), 3));

  // Port choice files written by the table's own saver.
  const fs::path cells = root / "cell_file";
  fs::create_directories(cells);
  const fs::path scratch = fs::temp_directory_path() / ("kelvaro-seeds-" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  CellTable choice;
  choice.SetCell(0, 0, "COM3");
  choice.SaveCellFile((scratch / "a.ini").string());
  fs::copy_file(scratch / "a.ini", cells / "chosen_com3", fs::copy_options::overwrite_existing);
  CellTable odd;
  odd.SetCell(0, 0, "  $1F");
  odd.SetCell(1, 0, "two\r\nlines");
  odd.SaveCellFile((scratch / "b.ini").string());
  fs::copy_file(scratch / "b.ini", cells / "hex_port_and_line_break", fs::copy_options::overwrite_existing);
  Write(cells, "empty", "");
  Write(cells, "bare_name", "COM7\r\n");
  Write(cells, "end_of_file_byte",
        "2,1\r\ncw 0,20\r\n0,0,COM2\x1A"
        "0,0,COM9\r\n");

  // Image files written by the tool's own saver, and one cut short.
  const fs::path images = root / "image_file";
  fs::create_directories(images);
  SaveImageFile(sample, (scratch / "sample.HVK").string());
  fs::copy_file(scratch / "sample.HVK", images / "sample", fs::copy_options::overwrite_existing);
  Write(images, "erased", Bytes(erased));
  Write(images, "cut_short", Bytes(sample).substr(0, 1000));
  Write(images, "longer", Bytes(sample) + "trailing bytes");
  fs::remove_all(scratch);

  // Images for the editor: the sample, erased memory, and one the editor stored.
  const fs::path editor = root / "editor_round_trip";
  Write(editor, "sample", Bytes(sample));
  Write(editor, "erased", Bytes(erased));
  ImageBytes stored = erased;
  StoreAll(stored, LoadAll(sample));
  Write(editor, "stored_by_editor", Bytes(stored));
  ImageBytes zero{};
  Write(editor, "zeros", Bytes(zero));

  // The same images for show --json | import --base.
  const fs::path settings = root / "settings_round_trip";
  Write(settings, "sample", Bytes(sample));
  Write(settings, "erased", Bytes(erased));
  Write(settings, "stored_by_editor", Bytes(stored));

  // Sheets as spreadsheet programs save them.
  const fs::path sheets = root / "sheet";
  Write(sheets, "semicolons_crlf",
        "site;user1;sms1;event1\r\nKov\xC3\xA1"
        "cs;06301111111;\"Bet\xC3\xB6r\xC3\xA9s: a, b\";1*30\r\n");
  Write(sheets, "commas_quotes_line_break", "site,sms1\nA,\"say \"\"hi\"\"\nthen\"\n");
  Write(sheets, "code_page_1250_bom_less", "site;sms2\nF\xF5 u.;T\xFBz\n");
  // And as sheet writes them, and as Calc saves them when it keeps ="..." as text.
  Write(sheets, "written_by_sheet",
        TemplateSheet(sample,
                      {"Kov\xC3\xA1"
                       "cs",
                       "F\xC5\x91 u. 3"},
                      "\r\n"));
  Write(sheets, "formulas_saved_as_text", "site;user1;sms1\nA;\"=\"\"06301234567\"\"\";\"=\"\"a;b\"\"\"\n");
  return 0;
}
