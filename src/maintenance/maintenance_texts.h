// Messages of the maintenance runs that the program adds to its own table (situations it refuses
// instead of damaging the library).
#pragma once

namespace orrivan::maintenance_texts {

// A move or backup destination whose "Image Library" is, contains or lies inside the library.
inline constexpr char kDestinationOverlapsLibrary[] =
    "指定されたﾌｫﾙﾀﾞはﾗｲﾌﾞﾗﾘのﾌｫﾙﾀﾞと重なっています\n別のﾌｫﾙﾀﾞを指定してください";
// A move or backup destination whose HTML folder or frame pages are the main library's own (the
// home folder, when the library root lies elsewhere): its pages would be written over.
inline constexpr char kDestinationHoldsMainPages[] =
    "指定されたﾌｫﾙﾀﾞにはﾗｲﾌﾞﾗﾘのﾍﾟｰｼﾞがあります\n別のﾌｫﾙﾀﾞを指定してください";
// A title with a line break or another control character.
inline constexpr char kTitleNotAllowed[] = "ﾀｲﾄﾙに改行や制御文字は使えません";

}  // namespace orrivan::maintenance_texts
