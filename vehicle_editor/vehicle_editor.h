// vehicle_editor.h - the vehicle editor screen.
#pragma once
