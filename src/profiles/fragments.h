// The option selections of the main window turned into encoder option fragments. Each fragment
// that is not empty begins with one blank; the blanks and quotes are part of the command line's
// form. The operations only read the selectors (and, for the size, the row's "Video Size" cell).
#pragma once

#include <string>

#include "model/forms.h"

namespace vidloom {

// ` -vcodec "<codec>" ` from ComboVideoCodec, lower-cased and trimmed (ends in a blank).
std::string VideoCodecFragment(const TForm1& form);
// " -s WxH" from ComboVideoSize; " -s 176x144" when the row's "Video Size" cell has no "x" or the
// item has a side "0"; empty for an empty size selector. A row outside the list counts as a row
// without a size.
std::string SizeFragment(const TForm1& form, int row);
// ` -b "<n>"` from ComboVideoBitrate ("768 Kbps" -> 768); empty for an empty selector.
std::string VideoBitrateFragment(const TForm1& form);
// ` -r "<n>" ` from ComboVideoFramerate; " " for "Auto"; empty without " fps".
std::string FrameRateFragment(const TForm1& form);
// ` -ab "<n>"` from ComboAudioBitrate; " " while the frame rate is "Auto"; empty for an empty
// selector.
std::string AudioBitrateFragment(const TForm1& form);
// ` -ac "2 (stereo)"` for row 0 of ComboAudioChannel, ` -ac "1 (mono)"` for row 1, else empty.
std::string ChannelsFragment(const TForm1& form);
// ` -ar "<n>"` from ComboSamplingRate, keeping all but the last blank before "Hz"; empty for
// "Auto"; ` -ar ""` for an empty selector.
std::string SampleRateFragment(const TForm1& form);

}  // namespace vidloom
