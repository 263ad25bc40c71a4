// minimal_first_frame.cpp - the least an SDL2 + OpenGL program does to show the interface's
// first frame: a window and a 4.3 core context, the interface's vertex shader with its two
// pixel shaders (read from bin/shaders2 of the working folder), one font page of 512 x 512
// RGBA, a panel and a row of text quads, one swap.  The start-up benchmark compares the
// editor's first frame against it.
//
// Run in the editor's working folder: minimal_first_frame <width> <height> [seconds].  Prints
// "first frame" on standard output once the frame is presented, then ends, or waits the
// seconds first (idle_cpu.sh reads its resident memory meanwhile).
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string ReadText(const char* path) {
  std::string text;
  if (FILE* f = std::fopen(path, "rb")) {
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, got);
    std::fclose(f);
  }
  return text;
}

GLuint Compile(GLenum stage, const char* path) {
  const std::string source = ReadText(path);
  const char* text = source.c_str();
  GLuint shader = glCreateShader(stage);
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) std::fprintf(stderr, "%s does not compile\n", path);
  return shader;
}

GLuint Link(GLuint vs, GLuint ps) {
  GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, ps);
  glLinkProgram(program);
  return program;
}

struct Vertex {
  float x, y, z;
  uint8_t rgba[4];
  float u, v;
};

void Quad(std::vector<Vertex>& out, float x0, float y0, float x1, float y1, uint32_t colour) {
  const uint8_t c[4] = {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour), 255};
  const Vertex a{x0, y0, 0, {c[0], c[1], c[2], c[3]}, 0, 0}, b{x1, y0, 0, {c[0], c[1], c[2], c[3]}, 1, 0},
      d{x1, y1, 0, {c[0], c[1], c[2], c[3]}, 1, 1}, e{x0, y1, 0, {c[0], c[1], c[2], c[3]}, 0, 1};
  out.insert(out.end(), {a, b, d, a, d, e});
}

}  // namespace

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

  const GLuint vs = Compile(GL_VERTEX_SHADER, "bin/shaders2/vs_5.glsl");
  const GLuint plain = Link(vs, Compile(GL_FRAGMENT_SHADER, "bin/shaders2/ps_23.glsl"));
  const GLuint textured = Link(vs, Compile(GL_FRAGMENT_SHADER, "bin/shaders2/ps_24.glsl"));

  // One font page: white, with a coverage pattern in alpha.
  std::vector<uint8_t> page(512 * 512 * 4, 255);
  for (int i = 0; i < 512 * 512; ++i) page[size_t(i) * 4 + 3] = uint8_t((i * 7) ^ (i >> 9));
  GLuint font = 0;
  glGenTextures(1, &font);
  glBindTexture(GL_TEXTURE_2D, font);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 512, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, page.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

  std::vector<Vertex> vertices;
  Quad(vertices, -0.9f, -0.9f, -0.6f, -0.7f, 0xD06020);  // a button panel
  for (int i = 0; i < 40; ++i) Quad(vertices, -0.8f + i * 0.04f, 0.6f, -0.77f + i * 0.04f, 0.66f, 0xE0E0E0);
  GLuint vao = 0, vbo = 0;
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glGenBuffers(1, &vbo);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(Vertex)), vertices.data(), GL_STATIC_DRAW);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
  glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), reinterpret_cast<void*>(12));
  glVertexAttribPointer(4, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(16));
  for (GLuint a : {0u, 2u, 4u}) glEnableVertexAttribArray(a);

  glViewport(0, 0, width, height);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glUseProgram(plain);
  glDrawArrays(GL_TRIANGLES, 0, 6);
  glUseProgram(textured);
  glDrawArrays(GL_TRIANGLES, 6, GLsizei(vertices.size() - 6));
  SDL_GL_SwapWindow(window);
  glFinish();  // drawn, as the editor's presentation waits for its frame to be drawn
  std::printf("first frame\n");
  std::fflush(stdout);
  if (argc > 3) SDL_Delay(Uint32(std::atoi(argv[3])) * 1000u);

  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
