#pragma once
// How a bitmap's alpha channel is to be read.
enum GsAlphaFormat {
    gafIgnored = 0,       // no usable alpha
    gafDefined = 1,       // straight alpha
    gafPremultiplied = 2, // colour already multiplied by alpha
};
