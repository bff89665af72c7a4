#pragma once
// The search request's body, as the client frames it and the server cuts it: a
// part head of this many bytes, the query, then the closing boundary. The server
// cuts at these sizes without parsing the framing, so both programs take them
// from here.
inline constexpr int kSearchPartHeadSize = 182;
inline constexpr int kSearchClosingBoundarySize = 31;
