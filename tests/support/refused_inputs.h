// Inputs that must never be read as media: what is not a regular file (a named pipe without a
// writer, a device, a socket, a folder) and regular files whose container would open other files
// or turn text into a picture (HLS, DASH and concat playlists that name a real clip, ANSI text,
// an image-sequence pattern). Made in a folder for the reader's and the encoder's tests alike.
#pragma once

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vidloom::testing {

struct RefusedInput {
  std::string name;    // the file's name in the folder
  std::string reason;  // what the refusal says (a part of it)
};

// Makes the inputs in `dir`; the playlists name `clip` (a playable file) by its absolute path.
inline std::vector<RefusedInput> MakeRefusedInputs(const std::filesystem::path& dir,
                                                   const std::string& clip) {
  auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  };
  std::vector<RefusedInput> inputs;
  mkfifo((dir / "pipe.avi").c_str(), 0600);  // no writer: opening it to read would block
  inputs.push_back({"pipe.avi", "the input is a named pipe, not a regular file"});
  std::filesystem::create_symlink("/dev/urandom", dir / "noise.mp3");
  inputs.push_back({"noise.mp3", "the input is a character device, not a regular file"});
  std::filesystem::create_directory(dir / "folder.mp4");
  inputs.push_back({"folder.mp4", "the input is a directory, not a regular file"});
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = (dir / "socket.avi").string();
  if (sock >= 0 && socket_path.size() < sizeof address.sun_path) {
    std::strcpy(address.sun_path, socket_path.c_str());
    if (bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      inputs.push_back({"socket.avi", "the input is a socket, not a regular file"});
    }
  }
  if (sock >= 0) close(sock);

  write("playlist.avi", "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:10\n#EXTINF:10.0,\n" +
                            clip + "\n#EXT-X-ENDLIST\n");
  inputs.push_back({"playlist.avi", "Unknown format: "});
  write("manifest.mp4",
        "<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" type=\"static\" "
        "mediaPresentationDuration=\"PT2S\" minBufferTime=\"PT1S\" "
        "profiles=\"urn:mpeg:dash:profile:isoff-on-demand:2011\">\n<Period><AdaptationSet>"
        "<Representation id=\"1\" bandwidth=\"100000\"><BaseURL>" +
            clip + "</BaseURL></Representation></AdaptationSet></Period>\n</MPD>\n");
  inputs.push_back({"manifest.mp4", "Unknown format: "});
  write("list.mov", "ffconcat version 1.0\nfile '" + clip + "'\nfile '" + clip + "'\n");
  inputs.push_back({"list.mov", "Unknown format: "});
  write("art.ans", std::string("\x1b[1;31mANSI art\x1b[0m\n") + std::string(4000, '#') + "\n");
  inputs.push_back({"art.ans", "Unknown format: "});
  write("notes.txt", "A letter, not a film.\nIt has lines of text.\n");
  inputs.push_back({"notes.txt", "Unknown format: "});
  // A name that an image-sequence reader takes as a pattern for frame001.jpg, frame002.jpg...
  write("frame%03d.jpg", "\xff\xd8\xff\xe0");
  inputs.push_back({"frame%03d.jpg", "Unknown format: "});
  return inputs;
}

}  // namespace vidloom::testing
