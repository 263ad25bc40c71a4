// plain_first_frame.cpp - the plain program the start-up and memory benchmarks measure the
// editor against: an SDL2 window with an OpenGL 4.3 core context, one clear and one swap.
//
// Run in the editor's working folder: plain_first_frame <width> <height> [seconds].  Prints
// "first frame" on standard output once the frame is presented, then ends, or waits the
// seconds first (idle_cpu.sh reads its memory meanwhile).
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const int width = argc > 2 ? std::atoi(argv[1]) : 800;
  const int height = argc > 2 ? std::atoi(argv[2]) : 600;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* window = SDL_CreateWindow("first frame", 80, 80, width, height, SDL_WINDOW_OPENGL);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) return 1;
  glViewport(0, 0, width, height);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  SDL_GL_SwapWindow(window);
  glFinish();  // drawn: the editor too tells its first frame once it is drawn
  std::printf("first frame\n");
  std::fflush(stdout);
  if (argc > 3) SDL_Delay(Uint32(std::atoi(argv[3])) * 1000u);

  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
