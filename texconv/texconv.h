// texconv.h - texture conversion: PNG and JPG pictures into DDS textures.
#pragma once
