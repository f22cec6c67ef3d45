#pragma once
// The referrer pass: which referrers are search engines and with what terms (merged by their
// case-folded text per engine), which are internal, and the rows of the referrer list.
namespace trevix {

class Analyser;

void ReferrerPass(Analyser& a);

} // namespace trevix
