// device_resource.h -- DeviceResource: the base of everything the Device's factories make
//
// The Device keeps every resource it made in its registry and deletes them, in creation order,
// through this virtual destructor when it shuts down.
#pragma once

class DeviceResource {
 public:
  virtual ~DeviceResource() {}
};
