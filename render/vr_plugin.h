/* vr_plugin.h - what the program and a VR plug-in library exchange: the functions the program
 * looks up in the library by name, and the blocks it passes to them.
 *
 * Plain C, so that a plug-in can be written in any language.  Every field has a fixed width
 * or is a pointer, so one header serves 32-bit and 64-bit builds (a plug-in is built for the
 * program's own word size).  The functions use the platform's C calling convention.
 *
 * The plug-in runs in the program's process, on the program's one GL context, which is
 * current on the calling thread during every call.  It reads the eye picture through the GL
 * texture name it is given, with calls that bind nothing (glGetTextureImage and the like),
 * because the program keeps its own record of what GL has bound.
 *
 * Texts a plug-in returns stay valid until its next call; the program copies at most
 * ZKTVR_ERROR_TEXT_SIZE - 1 characters of them.
 */
#ifndef ZKT_RENDER_VR_PLUGIN_H
#define ZKT_RENDER_VR_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZKTVR_INTERFACE_VERSION 2      /* what ZKTVR_GetVersion must return */
#define ZKTVR_DEVICE_NAME_SIZE 32      /* the name buffer of ZKTVR_Open: 31 characters and a zero */
#define ZKTVR_ERROR_TEXT_SIZE 96       /* texts are cut to 95 characters */
#define ZKTVR_FLAG_POSITIONAL 0x200u   /* positional tracking with an origin that can be recentred */

/* Session kinds of ZKTVR_Open. */
#define ZKTVR_SESSION_NONE 0
#define ZKTVR_SESSION_TRACKING 3

/* Results of ZKTVR_GetTracking. */
#define ZKTVR_TRACKING_NONE 0
#define ZKTVR_TRACKING_ORIENTATION 1
#define ZKTVR_TRACKING_POSITION 2

/* The device information block, filled by ZKTVR_QueryHMD.  The program fills size, device,
 * context, getProcAddress and eyeTexture; the plug-in the rest. */
typedef struct ZKTVR_DeviceInfo {
  uint32_t size;                 /* sizeof(ZKTVR_DeviceInfo) as the program was built */
  uint32_t flags;                /* ZKTVR_FLAG_POSITIONAL */
  void* device;                  /* the program's graphics device record (opaque) */
  void* context;                 /* the GL context: an SDL_GLContext or an EGLContext */
  void* (*getProcAddress)(const char* name); /* GL functions of that context */
  uint32_t eyeTexture;           /* GL name of the eye texture handed over; 0 none */
  int32_t recommendedWidth;      /* the eye texture's width for both eyes side by side */
  int32_t recommendedHeight;
  float fovTangents[2][4];       /* left eye, right eye: tangents left, right, up, down (> 0) */
  float tilt;                    /* the sine of the display's tilt; its arcsine, negated, is the angle */
} ZKTVR_DeviceInfo;

/* The eye texture handed over: both eyes side by side, left eye on the left. */
typedef struct ZKTVR_SharedTexture {
  uint32_t glName;               /* a GL_TEXTURE_2D of one level */
  int32_t width, height;
  uint32_t format;               /* 29: 8-bit sRGB RGBA; 10: 16-bit float RGBA */
} ZKTVR_SharedTexture;

/* The functions, as the program calls them. */
typedef int32_t (*ZKTVR_GetVersionFn)(void);
/* A non-zero session kind, or 0 with *error 1, 2 or 3 (or another code). */
typedef int32_t (*ZKTVR_OpenFn)(char name[ZKTVR_DEVICE_NAME_SIZE], int32_t* error);
typedef void (*ZKTVR_CloseFn)(void);
/* Non-zero when the block was filled; mode is 1. */
typedef int32_t (*ZKTVR_QueryHMDFn)(ZKTVR_DeviceInfo* info, int32_t mode);
/* Angles in radians, heading about the up axis first (positive turns the view right), then
 * pitch (positive looks down), then roll; the head's position in metres (x right, y up,
 * z forward); one of ZKTVR_TRACKING_*. */
typedef int32_t (*ZKTVR_GetTrackingFn)(float* heading, float* pitch, float* roll, float* x, float* y, float* z);
/* The current pose becomes the plug-in's origin. */
typedef void (*ZKTVR_ResetFn)(void);
/* Null when accepted, else an error text.  Null texture: the program takes it back. */
typedef const char* (*ZKTVR_AcceptSharedTextureFn)(const ZKTVR_SharedTexture* texture);
/* Null when the eye picture was taken, else an error text (the program then stops VR). */
typedef const char* (*ZKTVR_SubmitFrameFn)(void);
/* Looked up only: the program never calls them. */
typedef int32_t (*ZKTVR_GetEventFn)(int32_t* event);
typedef uint32_t (*ZKTVR_GetButtonsFn)(void);
/* Non-zero when the headset's audio device identity (16 bytes, as a UUID's memory) was written. */
typedef int32_t (*ZKTVR_GetAudioDeviceGuidFn)(uint8_t guid[16]);

#ifdef __cplusplus
}
#endif

#endif /* ZKT_RENDER_VR_PLUGIN_H */
