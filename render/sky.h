// sky.h - the light schemes, the light scheme file and the sky worker thread.
//
// Sections: [Schemes] [Scheme file] [Sky worker] [Neighbour hooks]
//
// A scheme either uses the computed sky or names a sky picture whose light is measured
// (sky_measure.h).  Until the light scheme file is read the table holds the built-in default
// scheme alone.  The computed sky comes from the sky worker: the main thread posts a sun
// direction, the worker turns it into a 64 x 64 sky image, its light, the sky and sun colours
// and the sky shader's constants, and the main thread draws "SKY~GPU" from those constants
// with pixel shader 30.  The one hand-over is the worker's state word; everything else here
// is the main thread's (sky.cpp: schemes and file; sky_worker.cpp: the worker).
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/thread.h"
#include "render/sh_light.h"
#include "render/sky_model.h"

struct DataFile;
struct ZKTETexture;

// ---- [Schemes] ----
constexpr int LIGHT_SCHEME_LIMIT = 20;
constexpr int SKY_PICTURE_NAME_SIZE = 20;
struct LightScheme {
  uint8_t bytes[4];        // the default scheme has 3 and 0 in the second and third
  char tag[4];             // the default: two underscores and two zero bytes
  char skyPicture[SKY_PICTURE_NAME_SIZE];  // empty: the computed sky
  uint32_t skyAmbientColour;   // red in byte 0, green 1, blue 2; computed or measured
  float skyBrightness;         // 1.0 after loading; the largest sky channel of the last computation
  uint32_t sunColour;          // red in byte 0
  float sunIntensity;
  float further[3];            // the default: 0.0, 1.5707964, 8000.0
  ZKTETexture* skyTexture;     // the computed sky or the loaded picture, set at run time
  ShIrradiance light;          // computed or measured
};
extern LightScheme LightSchemes[LIGHT_SCHEME_LIMIT];
extern int LightSchemeCount;    // 1..20
extern int CurrentLightScheme;  // 0..count - 1
LightScheme& CurrentScheme();
// The built-in default scheme's fixed fields on a record (its others are kept).
void MakeDefaultLightScheme(LightScheme& scheme);

// The current scheme follows the "Lighting " setting, held to the table (0 when negative);
// a change asks for the environment textures again while 3D is drawn.  Called when a replay
// or a multiplayer join sets the scheme.
void SelectLightPreset();
// Set while the program draws 3D views (the sky and the environment follow the scheme only
// then); cleared when it runs without graphics.
extern int Global3DMode;

// Drops every scheme's texture reference and the worker's sky texture: the textures went, or
// are going, with the device.
void ClearLightSchemeLightWords();

// The Ctrl+E word: with SKY_AUTO_WHITE_BALANCE set, each sky upload sets the white balance
// from the sun's colour temperature.
constexpr uint32_t SKY_AUTO_WHITE_BALANCE = 2;
extern uint32_t SkyOptions;

// ---- [Scheme file] ----
// "data\skies\light.scm": a data file "ZKTSCM" read up to version 3 and written by no part of
// the program (our tools write it).  Body: u32 not used, u32 count, then per scheme a u32
// that is skipped, four bytes, the tag, the 20-byte picture name, (versions 0 and 1: a
// skipped u32), the sun colour word, the sun intensity, (0 and 1: a skipped u32), three
// floats, (0 and 1: a skipped u32).  Versions 0 and 1 scale the intensity by 200/255 and
// versions 0 to 2 raise it to the power 2.2; version 0 holds no schemes.
constexpr const char* LIGHT_SCHEME_FILE = "data\\skies\\light.scm";
constexpr const char* LIGHT_SCHEME_MAGIC = "ZKTSCM";
constexpr int LIGHT_SCHEME_VERSION = 3;
constexpr int LIGHT_SCHEME_BYTES = 52;      // a version 2 or 3 record
constexpr int LIGHT_SCHEME_OLD_BYTES = 64;  // a version 0 or 1 record

// Reads the schemes of an open body of that version into the table, at most 20; a record the
// body ends inside is not taken, a negative or non-finite sun intensity is read as 0.
// Returns the number read (the count is not changed).
int ReadLightSchemes(DataFile& file, int version);
// The table from an open body (null: no file): with nothing read, or below version 2 with a
// first scheme naming a picture, the default is put in front (the twentieth falls off).
void FillLightSchemes(DataFile* file, int version);
// The version 3 body of the schemes, skipped and unused words zero.
void WriteLightSchemes(DataFile& file, const LightScheme* schemes, int count);
// Reads the file at start (FillLightSchemes; never fewer than one scheme: a missing, damaged
// or version 0 file leaves the default alone), then makes the white balance of the
// colour-temperature setting and the sun's limb-darkening factors.
void LoadLightScm();
// The disc-averaged limb darkening at 400, 405, ..., 695 nm, made by LoadLightScm.
constexpr int SUN_WAVELENGTHS = 60;
extern float SunLimbDarkening[SUN_WAVELENGTHS];

// ---- [Sky worker] ----
enum SkyWorkerState : int {
  SKY_NO_THREAD = 0,
  SKY_IDLE = 1,
  SKY_WORK_POSTED = 2,
  SKY_RESULT_READY = 3,
  SKY_STOP = 4,
};
constexpr int SKY_IMAGE_SIZE = 64;
constexpr int SKY_TEXTURE_SIZE = 256;
constexpr int SKY_MESSAGE_SIZE = 80;
constexpr int PS_RENDER_SKY = 30;     // pixel shader of the sky texture
constexpr int PS_ROW_SKY = 13;        // its constant row
// The worker's stack; sanitizers need more room for their bookkeeping.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t SKY_WORKER_STACK = 1u << 20;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t SKY_WORKER_STACK = 1u << 20;
#else
constexpr size_t SKY_WORKER_STACK = 64u << 10;
#endif
#else
constexpr size_t SKY_WORKER_STACK = 64u << 10;
#endif

// What one computation gives: written by the worker between seeing 2 and writing 3, read by
// the main thread after seeing 3.
struct SkyResult {
  float largest;              // the largest sky channel (M), at least 1e-5
  uint8_t ambient[3];         // the average sky colour, gamma-encoded
  uint32_t sunColour;         // red in byte 0; 0 for a sun too dim to see
  float sunIntensity;
  float sunKelvin;            // the sun's colour temperature
  ShIrradiance light;         // the sky image's light
  float shaderConstants[SKY_SHADER_CONSTANT_FLOATS];  // copied into pixel row 13 at upload
};

struct SkyWorker {
  // 0 no thread, 1 idle, 2 work posted, 3 result ready, 4 stop.  Only the main thread writes
  // 1, 2 and 4; only the worker writes 3 and 0.  Release on every write, acquire on every read.
  std::atomic<int> state{SKY_NO_THREAD};
  // The last post: read by the worker only after it saw 2.
  float posted[3];            // unit sun direction, z up
  float turbidity, albedo;
  float worldSunSetting;
  int neverPosted;
  char message[SKY_MESSAGE_SIZE];  // the worker's report, shown at the next poll
  float* image;               // 64 x 64 RGB floats
  uint32_t* words;            // the same image as RGBA words (red in byte 0)
  SkyResult result;
  ZKTETexture* texture;       // "SKY~GPU"
  int textureFailed;          // reported once; not tried again until the device is made anew
  PlatformThread thread;
  // The worker sleeps on wake until work is posted (2) or it is asked to stop (4): a program at
  // rest gives it nothing to look at.
  std::mutex wakeLock;
  std::condition_variable wake;
};
extern SkyWorker Sky;

// Finds or makes "SKY~GPU" (256 x 256 sRGB); with it and no worker, starts the worker (state
// 1).  In states 0 and 1 the last post is forgotten, so that the next poll posts; the image
// buffers are made once.  "Could not create sky texture" / "Could not start sky thread".
void CreateSkyTexture();
// At shut-down, after the graphics: asks the worker to stop once it has finished, waits for
// it to end, then frees the image buffers.
void StopSkyThread();
// Each drawn frame of the 3D editors: the scheme's sky texture (the picture loaded and
// measured, or the computed sky), and for the computed sky a poll with the view's light.
void UpdateSky();
// The main thread's half of the hand-over: a ready result is uploaded; an idle worker gets
// the direction when the sun moved past the threshold (or an input changed).
void PollSkyWorker(const float direction[3]);
// The elevation step (radians) below which a sun at elevation e is not posted again.
float SkyPostThreshold(float elevation);
// Draws "SKY~GPU" from the result and stores the result into the current scheme.
void UploadSkyResult();
// The worker's computation over the last post; null, or a message for the user.
const char* ComputeSky(SkyWorker& worker);

// ---- [Neighbour hooks] ----
// The world's sun setting (a float of the loaded track); none: 0.
extern float (*WorldSunSettingHook)();
// The environment clock's sun: the unit direction towards it at the race's date, in world
// axes (z up).  Installed by the world at start-up; null: no sun is known (the views keep
// their own light direction).
extern void (*WorldSunDirectionHook)(float direction[3]);
