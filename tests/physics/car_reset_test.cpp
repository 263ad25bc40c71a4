// car_reset_test.cpp - scratch
#include <gtest/gtest.h>
#include <cmath>
#include "tests/physics/car_drive_util.h"
TEST(CarPlace, Scratch) {
  SetDefaultTextColours();
  Crc32InitTable();
  InitWheelTables();
  Car car;
  MakeSampleCar(0, car);
  car.showCar = 1;
  car.simulated = 1;
  car.PlaceAt(0, 0, 0.0f);
  printf("z %f lowest %f active %d awake %d frozen %d\n", car.position.z / 65536.0, car.LowestPoint(), car.active, car.awake, car.frozen);
  StepCar(car, 3000);
  printf("z %f speed %f travel %f frozen %d\n", car.position.z / 65536.0, car.speed, car.wheels[0].travel, car.frozen);
}
